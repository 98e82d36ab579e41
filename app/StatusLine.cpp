#include "StatusLine.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace qv {
namespace {

class StatusLineAccessible : public QAccessibleWidget
{
public:
    explicit StatusLineAccessible(QWidget* w)
        : QAccessibleWidget(w, QAccessible::StatusBar)
    {
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name || t == QAccessible::Value)
            return static_cast<const QLabel*>(widget())->text();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* statuslinefactory(const QString& classname, QObject* object)
{
    if (classname == QLatin1String("qv::StatusLine") && object && object->isWidgetType())
        return new StatusLineAccessible(static_cast<QWidget*>(object));
    return nullptr;
}

} // namespace

StatusLine::StatusLine(QWidget* parent)
    : QLabel(parent)
{
    static const bool installed = [] {
        QAccessible::installFactory(statuslinefactory);
        return true;
    }();
    (void)installed;
}

} // namespace qv
