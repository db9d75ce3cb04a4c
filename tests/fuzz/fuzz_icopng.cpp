// PNG pictures inside icons: the input is the PNG, which goes into an icon's one entry, so that
// the fuzzer works on the picture and not on the directory. Under libFuzzer no decode may take
// a second of processor time.

#include "PictureFuzzing.h"

#include <QtEndian>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::quietQtMessages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QByteArray icon(6 + 16, 0);
    char *bytes = icon.data();
    qToLittleEndian(quint16(1), bytes + 2); // an icon
    qToLittleEndian(quint16(1), bytes + 4); // of one entry
    qToLittleEndian(quint16(1), bytes + 10);
    qToLittleEndian(quint16(32), bytes + 12);
    qToLittleEndian(quint32(size), bytes + 14);
    qToLittleEndian(quint32(icon.size()), bytes + 18);
    icon.append(reinterpret_cast<const char *>(data), qsizetype(size));
    fuzz::decodeAs(icon, "ico");
    return 0;
}
