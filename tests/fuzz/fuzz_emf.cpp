// EMF files as the player chooses them: the checks of their structure and cost, libemf2svg, the
// check of its SVG and the SVG renderer. Under libFuzzer no decode may take a second of
// processor time.

#include "MetafileFuzzing.h"

TILORA_METAFILE_TARGET("emf")
