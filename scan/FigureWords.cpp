#include "FigureWords.h"

#include <QLocale>
#include <array>
#include <cmath>

namespace qv {
namespace {

QLocale english()
{
    return QLocale(QLocale::English, QLocale::UnitedStates);
}

} // namespace

QString sizewords(double bytes)
{
    if (!(bytes >= 1024)) {
        const double whole = bytes > 0 ? std::round(bytes) : 0;
        return english().toString(whole, 'f', 0) + (whole == 1 ? QStringLiteral(" byte") : QStringLiteral(" bytes"));
    }
    static constexpr std::array<const char*, 5> Units = { "KB", "MB", "GB", "TB", "PB" };
    double value = bytes / 1024;
    std::size_t unit = 0;
    // The unit is chosen after rounding, so 1023.96 KB shows as 1.0 MB rather than 1024.0 KB.
    while (unit + 1 < Units.size() && std::round(value * 10) / 10 >= 1024) {
        value /= 1024;
        ++unit;
    }
    return english().toString(value, 'f', 1) + QLatin1Char(' ') + QLatin1String(Units[unit]);
}

QString figurewords(const dirrec& r, std::uint32_t clustersize, std::int32_t whatifkb)
{
    const QLocale locale = english();
    const QString files
        = locale.toString(r.count) + (r.count == 1 ? QStringLiteral(" file") : QStringLiteral(" files"));
    return files + QStringLiteral(" · ") + sizewords(r.bytes) + QStringLiteral(" in the files · ") + sizewords(r.space)
        + QStringLiteral(" on disc (") + locale.toString(clustersize) + QStringLiteral("-byte clusters) · ")
        + sizewords(r.whatif) + QStringLiteral(" with ") + locale.toString(whatifkb) + QStringLiteral(" KB clusters");
}

} // namespace qv
