#pragma once

#include <QMap>
#include <QWidget>

class QAction;
class QToolButton;
class QVBoxLayout;

// The buttons under the tabs, one per action, top to bottom. Each button
// follows its action (icon, enabled state, visibility). The buttons are the
// bar's children; the actions belong to whoever made them.
class FancyActionBar : public QWidget
{
    Q_OBJECT
public:
    explicit FancyActionBar(QWidget *parent = nullptr);

    void insertAction(QAction *action);
    QToolButton *button(QAction *action) const { return m_buttons.value(action, nullptr); }
    int buttonCount() const { return int(m_buttons.size()); }

    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QVBoxLayout *m_actionsLayout;
    QMap<QAction *, QToolButton *> m_buttons;
};
