// WEBP files as the player chooses them, through the checks of their cost and the toolkit's
// reader (where it is installed). Under libFuzzer no decode may take a second of processor time.

#include "PictureFuzzing.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::quietQtMessages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzz::decodeAs(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)), "webp");
    return 0;
}
