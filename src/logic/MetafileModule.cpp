#include "logic/MetafileModule.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>

#include <atomic>

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

const MetafileModule *loadModule()
{
    // An absolute name: the module is never searched for along the library path.
    QLibrary library(programFolder() + u'/' + QLatin1String(MetafileModuleFileName));
    const auto entry
        = reinterpret_cast<MetafileModuleEntry>(library.resolve(TILORA_METAFILE_MODULE_ENTRY));
    const MetafileModule *module = entry ? entry() : nullptr;
    // The library stays loaded for the rest of the run; QLibrary unloads only when asked.
    return module && module->version == MetafileModuleVersion ? module : nullptr;
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
