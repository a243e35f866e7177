// Signing in where a site asks who you are: with Firefox's cookie store, or with a cookies
// file the person chose, of which the program keeps its own copy. Cookies are a person's login:
// they live only in the per-user folder (%LOCALAPPDATA%\Vidmora), never in the record, a
// message or the person's TEMP, and no run is ever given the kept copy itself.
#pragma once
#include <stddef.h>

#include "toolbridge/workfiles.h"

enum SignIn { SIGNED_OUT, SIGNED_FIREFOX, SIGNED_FILE };

// What is chosen; for a file, how many cookies its kept copy holds (`cookies` may be null).
SignIn ReadSignIn(const WorkPaths *paths, int *cookies);

// Whether Firefox keeps cookies for this user: a profile with a cookies.sqlite under
// %APPDATA%\Mozilla\Firefox\Profiles.
bool FirefoxHasCookies();

// Firefox's cookies from now on (a kept file goes).
bool SignInWithFirefox(const WorkPaths *paths);

// Checks `chosen` as the tool would read it and keeps a copy of it (cookies.txt, a UTF-8
// byte-order mark removed). False, with why in `reason` and nothing changed, when it cannot be used.
bool KeepCookiesFile(const WorkPaths *paths, const char *chosen, char *reason, size_t size, int *cookies);

void SignOut(const WorkPaths *paths);

// A fresh copy of the kept cookies for one run (the tool rewrites the file it is given, and a
// run ended in the middle of that would cut the person's login short), in the run folder as
// cookies-NAME.txt; false, and "" in `copy`, where no file is kept.
bool CopyCookiesForRun(const WorkPaths *paths, const char *name, char *copy);

// The run is over: where it ended well, the jar it wrote back (the site's rotated cookies)
// replaces the kept copy, whole or not at all, if it is still a sound cookies file and the
// person is still signed in with a file. The run's copy goes either way.
void EndRunCookies(const WorkPaths *paths, char *copy, bool endedWell);

// The copies of runs that never ended (the program was ended meanwhile).
void RemoveRunCookies(const WorkPaths *paths);

// A run's own TMP and TEMP, `runFolder`\tmp-NAME ("" where there is no run folder).
void RunTempFolder(const WorkPaths *paths, const char *name, char *folder);
