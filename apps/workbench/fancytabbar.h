#pragma once

#include <QIcon>
#include <QList>
#include <QRect>
#include <QTimer>
#include <QWidget>

class FancyTab;
class QPainter;
class QStyle;

// The vertical column of large tabs (icon above a bold title). Owns its
// FancyTab objects and its own "windows" style. A click makes a tab current
// at once and announces it from the event loop, after the click is done.
class FancyTabBar : public QWidget
{
    Q_OBJECT
public:
    explicit FancyTabBar(QWidget *parent = nullptr);
    ~FancyTabBar() override;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    void insertTab(int index, const QIcon &icon, const QString &label);
    void removeTab(int index);
    int count() const { return m_tabs.count(); }

    void setTabEnabled(int index, bool enable);
    bool isTabEnabled(int index) const;
    void setTabToolTip(int index, const QString &toolTip);
    QString tabToolTip(int index) const;
    QString tabText(int index) const;
    QIcon tabIcon(int index) const;

    void setCurrentIndex(int index);
    int currentIndex() const { return m_currentIndex; }

    QRect tabRect(int index) const;
    // Size of one tab; the minimum leaves out the icon.
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
    bool validIndex(int index) const { return index >= 0 && index < m_tabs.count(); }
    void paintTab(QPainter *painter, int tabIndex) const;

    QRect m_hoverRect;
    int m_hoverIndex = -1;
    int m_currentIndex = -1;
    QList<FancyTab *> m_tabs;
    QTimer m_triggerTimer;
    QStyle *m_ownStyle = nullptr;
};
