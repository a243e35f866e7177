// The program's version, defined once for the version resource and the About box.
#pragma once

#define VIDMORA_NAME "Parvex Vidmora"
#define VIDMORA_VERSION_TEXT "1.0.0"
#define VIDMORA_VERSION_NUMBERS 1, 0, 0, 0
#define VIDMORA_BUILD_LABEL "Build 1"
#define VIDMORA_MODIFIED "2026-12-08"
