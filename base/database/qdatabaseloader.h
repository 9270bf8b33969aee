#pragma once

#include <database/database_export.h>

#include <QList>
#include <QString>
#include <QStringList>

// One page of a machine description: a name and rows of column texts
// (column order: code, name, address, length, scale, default, min, max, unit,
// access, editor, choices, start, help, then the English name, unit and
// choices, empty where the description gives none).
struct tagDataPage
{
    QString name;
    QString name_en;
    QList<QStringList> rows;
};

// The pages of one part of a description (the parameter groups, or the
// single runtime page).
class DATABASE_EXPORT QDataBaseLoader
{
public:
    QDataBaseLoader() = default;

    QList<tagDataPage> get_pages() const { return m_pages; }
    // The page at index, or an empty page when there is none.
    tagDataPage get_page(int index) const;
    int page_count() const { return m_pages.size(); }

    void add_page(const tagDataPage &page) { m_pages.append(page); }
    void clear() { m_pages.clear(); }

private:
    QList<tagDataPage> m_pages;
};
