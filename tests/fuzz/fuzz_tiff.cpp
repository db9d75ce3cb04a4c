// TIFF files as the player chooses them, through the checks of their cost and the toolkit's
// reader (where it is installed). Under libFuzzer no decode may take a second of processor time.

#include "PictureFuzzing.h"

TILORA_PICTURE_FORMAT_TARGET("tiff")
