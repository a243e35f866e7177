// The relay: a Windows console program that stands where the download tool stands, for the
// tests that run today's real yt-dlp. Wine hands a Windows program neither the output nor the
// end of a Linux one, so this sends its arguments and current directory over loopback TCP to
// the runner (relayd.py), then writes back what the real tool prints, sets each console title
// the tool computes, and exits with the tool's exit code. When a job object ends this process,
// the socket closes and the runner kills the real tool.
//
// Frames both ways: a type byte, a 4-byte little-endian length, the payload.
//   to the runner:   'D' current directory, 'A' one argument each (UTF-8), 'E' end
//   from the runner: 'O' standard output, 'R' standard error, 'T' a title (UTF-8), 'X' exit code
#include <winsock2.h>
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#ifndef VIDMORA_RELAY_PORTS
#error "VIDMORA_RELAY_PORTS names the runner's ports file (a Unix path)"
#endif

enum { RELAY_FAILED = 250, FRAME_LIMIT = 16 * 1024 * 1024 };

static void Fail(const char *what)
{
    char line[512];
    int n = snprintf(line, sizeof line, "ERROR: test relay: %s (error %d)\n", what, (int)GetLastError());
    DWORD written;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), line, (DWORD)(n > 0 ? n : 0), &written, NULL);
    ExitProcess(RELAY_FAILED);
}

// The ports file, written by the runner: "relay PORT" and "http PORT" lines.
static int RelayPort()
{
    char path[MAX_PATH] = "Z:";
    lstrcpynA(path + 2, VIDMORA_RELAY_PORTS, (int)sizeof path - 2);
    for (char *p = path; *p; ++p)
        if (*p == '/')
            *p = '\\';
    FILE *f = fopen(path, "r");
    if (!f)
        Fail("the runner's ports file cannot be read; is relayd.sh started?");
    char name[16];
    int port = 0, value;
    while (fscanf(f, "%15s %d", name, &value) == 2)
        if (strcmp(name, "relay") == 0)
            port = value;
    fclose(f);
    if (port <= 0 || port > 65535)
        Fail("the ports file names no relay port");
    return port;
}

static void SendAll(SOCKET s, const char *data, int size)
{
    while (size > 0) {
        int n = send(s, data, size, 0);
        if (n <= 0)
            Fail("sending to the runner failed");
        data += n;
        size -= n;
    }
}

static void SendFrame(SOCKET s, char type, const char *data, unsigned size)
{
    char head[5] = {type, (char)(size & 0xFF), (char)((size >> 8) & 0xFF), (char)((size >> 16) & 0xFF),
                    (char)(size >> 24)};
    SendAll(s, head, 5);
    if (size)
        SendAll(s, data, (int)size);
}

static void SendWide(SOCKET s, char type, const wchar_t *text)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, NULL, 0, NULL, NULL);
    char *utf8 = (char *)malloc(n > 0 ? (size_t)n : 1);
    if (!utf8 || WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, n, NULL, NULL) <= 0)
        Fail("an argument is not valid text");
    SendFrame(s, type, utf8, (unsigned)strlen(utf8));
    free(utf8);
}

static bool ReceiveAll(SOCKET s, char *data, unsigned size)
{
    while (size > 0) {
        int n = recv(s, data, (int)size, 0);
        if (n <= 0)
            return false;
        data += n;
        size -= (unsigned)n;
    }
    return true;
}

static void WriteHandle(DWORD which, const char *data, unsigned size)
{
    HANDLE h = GetStdHandle(which);
    DWORD written;
    while (size > 0 && h && h != INVALID_HANDLE_VALUE && WriteFile(h, data, size, &written, NULL) && written)
        data += written, size -= written;
}

static void SetTitle(const char *utf8, unsigned size)
{
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8, (int)size, NULL, 0);
    wchar_t *title = (wchar_t *)malloc(((size_t)n + 1) * sizeof(wchar_t));
    if (!title)
        return;
    MultiByteToWideChar(CP_UTF8, 0, utf8, (int)size, title, n);
    title[n] = 0;
    SetConsoleTitleW(title);
    free(title);
}

int wmain(int argc, wchar_t **argv)
{
    WSADATA wsa;
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0)
        Fail("WSAStartup failed");
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET)
        Fail("no socket");
    sockaddr_in runner;
    memset(&runner, 0, sizeof runner);
    runner.sin_family = AF_INET;
    runner.sin_port = htons((u_short)RelayPort());
    runner.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(s, (sockaddr *)&runner, sizeof runner) != 0)
        Fail("the runner does not answer");

    wchar_t directory[MAX_PATH * 4];
    DWORD n = GetCurrentDirectoryW(sizeof directory / sizeof directory[0], directory);
    if (n == 0 || n >= sizeof directory / sizeof directory[0])
        Fail("no current directory");
    SendWide(s, 'D', directory);
    for (int i = 1; i < argc; ++i)
        SendWide(s, 'A', argv[i]);
    SendFrame(s, 'E', NULL, 0);

    char *payload = (char *)malloc(FRAME_LIMIT + 1);
    if (!payload)
        Fail("out of memory");
    for (;;) {
        unsigned char head[5];
        if (!ReceiveAll(s, (char *)head, 5))
            Fail("the runner closed the connection before the tool ended");
        unsigned size = head[1] | (head[2] << 8) | (head[3] << 16) | ((unsigned)head[4] << 24);
        if (size > FRAME_LIMIT || !ReceiveAll(s, payload, size))
            Fail("a broken frame from the runner");
        switch (head[0]) {
        case 'O': WriteHandle(STD_OUTPUT_HANDLE, payload, size); break;
        case 'R': WriteHandle(STD_ERROR_HANDLE, payload, size); break;
        case 'T': SetTitle(payload, size); break;
        case 'X':
            if (size != 4)
                Fail("a broken exit code from the runner");
            closesocket(s);
            ExitProcess((UINT)(unsigned char)payload[0] | ((unsigned char)payload[1] << 8) |
                        ((unsigned char)payload[2] << 16) | ((UINT)(unsigned char)payload[3] << 24));
        default: Fail("an unknown frame from the runner");
        }
    }
}
