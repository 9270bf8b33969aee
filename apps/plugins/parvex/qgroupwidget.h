#pragma once

#include <QWidget>

namespace Ui {
class QGroupWidget;
}

// The widget standing in one row of the group tree: a 16x16 mark and the
// group's name. The tree owns it once it is a row's item widget.
class QGroupWidget : public QWidget
{
    Q_OBJECT
public:
    explicit QGroupWidget(QWidget *parent = nullptr);
    ~QGroupWidget() override;

    // The name is also the tool tip, so it can be read whole when the row is
    // too narrow for it.
    void set_text(const QString &text);
    // An empty path, or one that does not load, clears the mark.
    void set_icon(const QString &path);

private:
    Ui::QGroupWidget *ui;
};
