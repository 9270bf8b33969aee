#pragma once

#include <QMap>
#include <QWidget>

class QAction;
class QToolButton;
class QVBoxLayout;

// The column of action buttons under the tabs. Each button follows its
// action (icon, enabled state, visibility); the buttons are children of the
// bar, the actions belong to whoever created them.
class FancyActionBar : public QWidget
{
    Q_OBJECT
public:
    explicit FancyActionBar(QWidget *parent = nullptr);

    void insertAction(QAction *action);
    QToolButton *button(QAction *action) const { return m_actionButtons.value(action, nullptr); }
    int buttonCount() const { return int(m_actionButtons.count()); }

    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QVBoxLayout *m_actionsLayout;
    QMap<QAction *, QToolButton *> m_actionButtons;
};
