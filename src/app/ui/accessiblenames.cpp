#include "app/ui/accessiblenames.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>

namespace {

QString plain(QString text)
{
    text.remove(QLatin1Char('&'));
    text = text.simplified();
    if (text.endsWith(QLatin1Char(':')))  // "Адрес:" is read as "Адрес"
        text.chop(1);
    return text;
}

bool isControl(const QWidget* w)
{
    // The parts of spin boxes, combo boxes and tables speak for their owner; Qt's own helpers
    // ("qt_" names) are not the program's controls.
    const QWidget* p = w->parentWidget();
    if (p && (qobject_cast<const QAbstractSpinBox*>(p) || qobject_cast<const QComboBox*>(p) ||
              qobject_cast<const QAbstractItemView*>(p)))
        return false;
    if (qobject_cast<const QScrollBar*>(w) || qobject_cast<const QTabBar*>(w) || qobject_cast<const QHeaderView*>(w) ||
        w->objectName().startsWith(QLatin1String("qt_")))
        return false;
    return qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QComboBox*>(w) ||
           qobject_cast<const QLineEdit*>(w) || qobject_cast<const QAbstractSpinBox*>(w) ||
           qobject_cast<const QAbstractSlider*>(w) || qobject_cast<const QAbstractItemView*>(w) ||
           qobject_cast<const QTextEdit*>(w) || qobject_cast<const QPlainTextEdit*>(w);
}

// The layout directly holding w, searched from its parent's layout down.
QLayout* holdingLayout(QLayout* layout, const QWidget* w, int* index)
{
    if (!layout)
        return nullptr;
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem* item = layout->itemAt(i);
        if (item->widget() == w) {
            *index = i;
            return layout;
        }
        if (QLayout* inner = holdingLayout(item->layout(), w, index))
            return inner;
    }
    return nullptr;
}

QString labelBefore(const QWidget* w)
{
    const QWidget* parent = w->parentWidget();
    if (!parent)
        return {};
    // A label made its buddy.
    for (const QLabel* l : parent->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
        if (l->buddy() == w && !plain(l->text()).isEmpty())
            return plain(l->text());
    int index = -1;
    QLayout* layout = holdingLayout(parent->layout(), w, &index);
    if (!layout)
        return {};
    if (auto* form = qobject_cast<QFormLayout*>(layout)) {
        if (auto* l = qobject_cast<QLabel*>(form->labelForField(const_cast<QWidget*>(w))))
            return plain(l->text());
    }
    // The row or line's label, just before the control.
    for (int i = index - 1; i >= 0; --i) {
        QWidget* before = layout->itemAt(i)->widget();
        if (!before)
            continue;
        if (auto* l = qobject_cast<QLabel*>(before); l && !plain(l->text()).isEmpty())
            return plain(l->text());
        if (isControl(before))
            break;  // that label belongs to another control
    }
    return {};
}

QString nameFor(const QWidget* w)
{
    if (!plain(w->toolTip()).isEmpty())
        return plain(w->toolTip());
    if (QString l = labelBefore(w); !l.isEmpty())
        return l;
    for (const QWidget* p = w->parentWidget(); p && !p->isWindow(); p = p->parentWidget())
        if (auto* g = qobject_cast<const QGroupBox*>(p); g && !plain(g->title()).isEmpty())
            return plain(g->title());
    if (auto* e = qobject_cast<const QLineEdit*>(w); e && !e->placeholderText().isEmpty())
        return e->placeholderText();
    // The only view of a tab (a memory grid) is named by the tab's caption.
    for (const QWidget* page = w; page && !page->isWindow(); page = page->parentWidget()) {
        const QWidget* stack = page->parentWidget();
        auto* tabs = stack ? qobject_cast<const QTabWidget*>(stack->parentWidget()) : nullptr;
        if (tabs && tabs->indexOf(const_cast<QWidget*>(page)) >= 0)
            return plain(tabs->tabText(tabs->indexOf(const_cast<QWidget*>(page))));
    }
    return {};
}

QString accessibleName(QWidget* w)
{
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
    return iface ? plain(iface->text(QAccessible::Name)) : plain(w->accessibleName());
}

class NamingFilter : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (e->type() == QEvent::Show && o->isWidgetType() && static_cast<QWidget*>(o)->isWindow())
            NameControls(static_cast<QWidget*>(o));
        return false;
    }
};

}  // namespace

void NameControls(QWidget* root)
{
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (!isControl(w) || !w->accessibleName().isEmpty() || !accessibleName(w).isEmpty())
            continue;
        const QString name = nameFor(w);
        if (!name.isEmpty())
            w->setAccessibleName(name);
    }
}

void InstallAccessibleNaming(QApplication& app)
{
    app.installEventFilter(new NamingFilter(&app));
}

QStringList UnnamedControls(QWidget* root)
{
    QStringList out;
    for (QWidget* w : root->findChildren<QWidget*>())
        if (isControl(w) && w->isEnabled() && accessibleName(w).isEmpty())
            out << QStringLiteral("%1 (%2)").arg(w->objectName(), QString::fromLatin1(w->metaObject()->className()));
    return out;
}
