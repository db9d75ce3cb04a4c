#include "logic/MetafileModule.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>

#include <atomic>

#include <sys/stat.h>
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

#ifdef TILORA_BUILT_METAFILE_MODULE
// Owned by the player or root and writable by nobody else.
bool trusted(const QString &path)
{
    struct stat status {};
    return ::stat(QFile::encodeName(path).constData(), &status) == 0
        && (status.st_uid == ::geteuid() || status.st_uid == 0)
        && (status.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}
#endif

const MetafileModule *loadFrom(const QString &path)
{
    // An absolute name: the module is never searched for along the library path.
    QLibrary library(path);
    const auto entry
        = reinterpret_cast<MetafileModuleEntry>(library.resolve(TILORA_METAFILE_MODULE_ENTRY));
    const MetafileModule *module = entry ? entry() : nullptr;
    // The library stays loaded for the rest of the run; QLibrary unloads only when asked.
    return module && module->version == MetafileModuleVersion ? module : nullptr;
}

const MetafileModule *loadModule()
{
    const QString beside = programFolder() + u'/' + QLatin1String(MetafileModuleFileName);
    if (QFile::exists(beside))
        return loadFrom(beside);
#ifdef TILORA_BUILT_METAFILE_MODULE
    // A development build copied elsewhere on its own (to play in a folder of its own) still
    // finds the module where it was built, when that is the player's and nobody else's.
    const QString built = QStringLiteral(TILORA_BUILT_METAFILE_MODULE);
    if (trusted(built) && trusted(QFileInfo(built).path()))
        return loadFrom(built);
#endif
    return nullptr;
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
