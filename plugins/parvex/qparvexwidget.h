#pragma once

#include "qabstractpagewidget.h"

#include <QList>

class QAction;
class QParamTreeWidget;
class QParvexTreeWidget;

// The parameter page: the group tree and the parameter table under a tool bar
// with the two commands that move whole parameter sets, upload (drive to CSV
// file) and download (CSV file to drive). Built once when the plug-in is
// loaded; the main window's tab widget owns it from then on. The views point
// into the core's machine model and are emptied before the model goes away.
class QParvexWidget : public QAbstractPageWidget
{
    Q_OBJECT
public:
    explicit QParvexWidget(QWidget *parent = nullptr);

public slots:
    void parvex_changed();
    void release_machine();
    void save(bool ask = true);
    void up_load();
    void down_load();
    void up_load_finish(bool success);
    void setAllToolBtn(bool bVisual);

private:
    QParvexTreeWidget *m_group_tree;
    QParamTreeWidget *m_param_tree;
    QList<QAction *> m_actions;
};
