#include "controls/AccessibleControl.h"

#include <QAccessibleWidget>
#include <QHash>
#include <QWidget>

namespace {

class AccessibleControl : public QAccessibleWidget
{
public:
    AccessibleControl(QWidget *widget, const AccessibleLook &look)
        : QAccessibleWidget(widget)
        , m_look(look)
    { }

    QAccessible::Role role() const override { return m_look.role(*widget()); }

    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Name && widget()->accessibleName().isEmpty() && m_look.shownText)
            return m_look.shownText(*widget());
        return QAccessibleWidget::text(kind);
    }

    QStringList actionNames() const override
    {
        QStringList names = QAccessibleWidget::actionNames();
        if (canPress())
            names.prepend(pressAction());
        return names;
    }

    void doAction(const QString &name) override
    {
        if (name == pressAction() && canPress())
            m_look.press(*widget());
        else
            QAccessibleWidget::doAction(name);
    }

private:
    bool canPress() const
    {
        return m_look.press && widget()->isEnabled() && role() == QAccessible::Button;
    }

    const AccessibleLook m_look;
};

QHash<QString, AccessibleLook> &looks()
{
    static QHash<QString, AccessibleLook> registered;
    return registered;
}

QAccessibleInterface *interfaceFor(const QString &className, QObject *object)
{
    const auto found = looks().constFind(className);
    if (found == looks().cend() || !object || !object->isWidgetType())
        return nullptr;
    return new AccessibleControl(static_cast<QWidget *>(object), *found);
}

} // namespace

void RegisterAccessibleLook(const QString &className, AccessibleLook look)
{
    if (looks().isEmpty())
        QAccessible::installFactory(interfaceFor);
    looks().insert(className, std::move(look));
}
