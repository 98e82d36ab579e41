#include "FormFont.h"

#include <QStringList>

namespace qv {

QFont formfont(int pixelsize)
{
    QFont font;
    font.setFamilies({ QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"), QStringLiteral("Arial") });
    font.setPixelSize(pixelsize);
    return font;
}

} // namespace qv
