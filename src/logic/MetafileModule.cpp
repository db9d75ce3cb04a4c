#include "logic/MetafileModule.h"

#include "logic/TrustedFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <atomic>

#include <dlfcn.h>
#include <unistd.h>

namespace {

std::atomic<const MetafileModule *> givenModule = nullptr;

// The folder the running program lies in, links resolved: the build folder, or the install's
// lib/tilora whatever link started it.
QString programFolder()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).absolutePath();
}

const MetafileModule *loadFrom(const QString &path)
{
    // The library that is loaded is the file that was checked: through its open descriptor,
    // never by its name again.
    const int fd = OpenTrustedFile(path);
    if (fd < 0)
        return nullptr;
    const QByteArray opened = "/proc/self/fd/" + QByteArray::number(fd);
    // The library stays loaded for the rest of the run.
    void *library = ::dlopen(opened.constData(), RTLD_NOW | RTLD_LOCAL);
    ::close(fd);
    const auto entry = library
        ? reinterpret_cast<MetafileModuleEntry>(::dlsym(library, TILORA_METAFILE_MODULE_ENTRY))
        : nullptr;
    const MetafileModule *module = entry ? entry() : nullptr;
    return module && module->version == MetafileModuleVersion ? module : nullptr;
}

const MetafileModule *loadModule()
{
    const QString beside = programFolder() + u'/' + QLatin1String(MetafileModuleFileName);
    if (QFile::exists(beside))
        return loadFrom(beside);
#ifdef TILORA_BUILT_METAFILE_MODULE
    // A development build copied elsewhere on its own (to play in a folder of its own) still
    // finds the module where it was built, under the same checks.
    return loadFrom(QStringLiteral(TILORA_BUILT_METAFILE_MODULE));
#else
    return nullptr;
#endif
}

} // namespace

const MetafileModule *LoadedMetafileModule()
{
    if (const MetafileModule *given = givenModule.load())
        return given;
    static const MetafileModule *const loaded = loadModule();
    return loaded;
}

void UseMetafileModule(const MetafileModule *module)
{
    givenModule = module;
}
