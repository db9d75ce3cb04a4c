#include "metafiles/MetafileRendering.h"

#include <QtGlobal>

extern "C" Q_DECL_EXPORT const MetafileModule *tiloraMetafileModule()
{
    return MetafileRendering();
}
