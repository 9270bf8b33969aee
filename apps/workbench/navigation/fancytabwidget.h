#pragma once

#include <QIcon>
#include <QWidget>

class FancyActionBar;
class FancyTabBar;
class MiniSplitter;
class QLabel;
class QStackedLayout;
class QStatusBar;

// The main window's central widget. On the left the navigation column: a
// colour strip, one large tab per page and the buttons for connecting,
// disconnecting and searching. On the right the current page above a status
// bar whose lamp shows the link: red "离线" or green "在线". The pages are
// reparented into the page stack; the widget owns everything it shows except
// the actions behind the buttons.
class FancyTabWidget : public QWidget
{
    Q_OBJECT
public:
    explicit FancyTabWidget(QWidget *parent = nullptr);

    void insertTab(int index, QWidget *page, const QIcon &icon, const QString &title);
    void setTabEnabled(int index, bool enable);
    void setTabToolTip(int index, const QString &toolTip);
    int currentIndex() const;
    int count() const;

    FancyTabBar *tabBar() const { return m_tabBar; }
    FancyActionBar *actionBar() const { return m_actionBar; }
    QStatusBar *statusBar() const { return m_statusBar; }

signals:
    void currentAboutToShow(int index);
    void currentChanged(int index);

public slots:
    void setCurrentIndex(int index);
    void setSelectionWidgetHidden(bool hidden);

protected:
    void paintEvent(QPaintEvent *event) override;

private slots:
    void online();
    void offline();
    void showWidget(int index);

private:
    void buildSelectionColumn();
    void buildStatusBar();

    FancyTabBar *m_tabBar;
    QStackedLayout *m_pageStack;
    QStatusBar *m_statusBar;
    QWidget *m_selectionWidget;
    FancyActionBar *m_actionBar;
    MiniSplitter *m_splitter;
    QLabel *m_linkText;
    QLabel *m_linkLamp;
};
