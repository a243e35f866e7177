// The program's version and maker details, defined once for the version resource and the About box.
#pragma once

#define VIDMORA_NAME "Parvex Vidmora"
#define VIDMORA_VERSION_TEXT "1.0.0"
#define VIDMORA_VERSION_NUMBERS 1, 0, 0, 0
#define VIDMORA_BUILD_LABEL "Build 1"
#define VIDMORA_MODIFIED "2026-12-08"
#define VIDMORA_MAKER "Parvex Software Works"
#define VIDMORA_DEVELOPER "Parvex Team"
#define VIDMORA_EMAIL "team@parvex.example"
#define VIDMORA_WEBSITE "www.parvex.example"
#define VIDMORA_WEBPAGE "http://www.parvex.example/"
