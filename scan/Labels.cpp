#include "Labels.h"

#include "DisplayText.h"

#include <cstdio>

namespace qv {

int labelwidth(int maxdepth)
{
    int w = 32;
    if (maxdepth > 5)
        w = 2 * maxdepth + 24;
    if (w > 120)
        w = 120;
    return w;
}

QString buildlabel(const dirrec& r, int d, int W)
{
    const QString name = displaytext(r.name());
    const int room = W - d;
    QString field;
    if (room < 0) {
        field = QStringLiteral("*");
    } else {
        const int chars = displaylength(r.name());
        if (chars <= room) {
            field = name + QLatin1Char(' ') + QString(room - chars, QLatin1Char('.'));
        } else {
            // Cut after room code points, never inside a surrogate pair.
            qsizetype units = 0;
            for (int k = 0; k < room; ++k)
                units += name.at(units).isHighSurrogate() ? 2 : 1;
            field = name.left(units) + QLatin1Char('*');
        }
    }

    char figures[160];
    if (r.bytes > 1048065) {
        std::snprintf(figures, sizeof figures, "..[%5u,%9.1fMB,%9.1fMB,%9.1fMB]", r.count, r.bytes / 1048576,
            r.space / 1048576, r.whatif / 1048576);
    } else {
        std::snprintf(figures, sizeof figures, "..(%5u,%9.0fKB,%9.0fKB,%9.0fKB)", r.count, (r.bytes + 511) / 1024,
            (r.space + 511) / 1024, (r.whatif + 511) / 1024);
    }
    return field + QLatin1String(figures);
}

} // namespace qv
