#pragma once

#include <QIcon>
#include <QList>
#include <QRect>
#include <QTimer>
#include <QWidget>

class FancyTab;
class QPainter;
class QStyle;

// The column of large tabs on the left of the main window: an icon above a
// bold title, a glow under the mouse. The bar owns its FancyTab objects and
// the plain "windows" style it paints with. A click makes a tab current at
// once but announces it (currentChanged) from the event loop, once the click
// has been handled; setCurrentIndex announces at once.
class FancyTabBar : public QWidget
{
    Q_OBJECT
public:
    explicit FancyTabBar(QWidget *parent = nullptr);
    ~FancyTabBar() override;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    void insertTab(int index, const QIcon &icon, const QString &label);
    int count() const { return int(m_tabs.size()); }

    void setTabEnabled(int index, bool enable);
    bool isTabEnabled(int index) const;
    void setTabToolTip(int index, const QString &toolTip);
    QString tabToolTip(int index) const;
    QString tabText(int index) const;
    QIcon tabIcon(int index) const;

    void setCurrentIndex(int index);
    int currentIndex() const { return m_currentIndex; }

    // Where tab `index` is drawn; all tabs are as high as the tallest hint
    // allows, less when the bar is too short for them all.
    QRect tabRect(int index) const;
    // Size one tab asks for; the minimum leaves the icon out.
    QSize tabSizeHint(bool minimum = false) const;

signals:
    void currentChanged(int index);

public slots:
    void emitCurrentIndex();

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    bool isValid(int index) const { return index >= 0 && index < count(); }
    int tabAt(const QPoint &pos) const;
    QFont titleFont() const;
    void paintTab(QPainter *painter, int index) const;
    void paintSelectedBackground(QPainter *painter, const QRect &r) const;

    int m_hoverIndex = -1;
    int m_currentIndex = -1;
    QList<FancyTab *> m_tabs;
    QTimer m_triggerTimer;
    QStyle *m_windowsStyle = nullptr;
};
