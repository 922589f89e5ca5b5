#include "HalvoranImages.h"

#include <QtGlobal>

void initHalvoranImages()
{
    // Registering twice is harmless: the resource system keeps one copy.
    Q_INIT_RESOURCE(HalvoranImages);
}
