// WMF files as the player chooses them: the checks of their structure and cost, libwmf, the
// drawing. Under libFuzzer no decode may take a second of processor time.

#include "MetafileFuzzing.h"

TILORA_METAFILE_TARGET("wmf")
