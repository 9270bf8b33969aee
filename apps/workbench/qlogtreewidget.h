#pragma once

#include <QList>
#include <QTreeWidget>

class QDateTime;

// The numbered list of the core's error log (number, time, message), newest
// entry current. Sized from its parent at construction, so the parent must
// already have its final size. The rows belong to the tree.
class QLogTreeWidget : public QTreeWidget
{
    Q_OBJECT
public:
    explicit QLogTreeWidget(QWidget *parent = nullptr);

    // Rebuilds the rows from the core's error log.
    void fill();

    // "2024-03-05 14:07:09.042": the time stamp of the list and the saved file.
    static QString format_time(const QDateTime &time);

    // A message with what its error code means on a line below it.
    static QString with_meaning(const QString &text);

private:
    QList<QTreeWidgetItem *> m_items;
};
