// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/Accessibility.h"

#include "ui/ClickLabel.h"
#include "ui/Toolbar.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QToolButton>

namespace tavrix {

namespace {

// Every action a screen reader or voice control may try on a page tab, but moving the focus, clicks it, so
// the page shown and the button pressed never disagree. (Qt's own toggle action presses the button without
// a click.)
class PageTabInterface final : public QAccessibleWidget {
public:
    explicit PageTabInterface(QToolButton* button) : QAccessibleWidget(button, QAccessible::PageTab) {}

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.focusable = true; // the arrow keys reach every tab, though only one is a Tab stop
        state.selectable = true;
        state.selected = button()->isChecked();
        return state;
    }
    QStringList actionNames() const override { return {pressAction(), setFocusAction()}; }
    void doAction(const QString& actionName) override {
        if (actionName == pressAction() || actionName == toggleAction())
            button()->click();
        else
            QAccessibleWidget::doAction(actionName);
    }

private:
    QToolButton* button() const { return static_cast<QToolButton*>(widget()); }
};

class ClickLabelInterface final : public QAccessibleWidget {
public:
    explicit ClickLabelInterface(ClickLabel* label) : QAccessibleWidget(label) {}

    QAccessible::Role role() const override { return label()->isLink() ? QAccessible::Link : QAccessible::Button; }
    QStringList actionNames() const override { return {pressAction(), setFocusAction()}; }
    void doAction(const QString& actionName) override {
        if (actionName == pressAction())
            label()->click();
        else
            QAccessibleWidget::doAction(actionName);
    }

private:
    ClickLabel* label() const { return static_cast<ClickLabel*>(widget()); }
};

QAccessibleInterface* InterfaceFor(const QString& /*className*/, QObject* object) {
    // The layout makes a row one of page tabs as it creates it, before anything asks for its role.
    if (auto* toolbar = qobject_cast<Toolbar*>(object))
        return new QAccessibleWidget(toolbar,
                                     toolbar->holdsPageTabs() ? QAccessible::PageTabList : QAccessible::ToolBar);
    const auto* row = qobject_cast<const Toolbar*>(object->parent());
    if (auto* button = qobject_cast<QToolButton*>(object); button && row && row->holdsPageTabs())
        return new PageTabInterface(button);
    if (auto* label = qobject_cast<ClickLabel*>(object))
        return new ClickLabelInterface(label);
    return nullptr;
}

} // namespace

void InstallAccessibleInterfaces() {
    QAccessible::installFactory(InterfaceFor); // Qt installs a factory once
}

} // namespace tavrix
