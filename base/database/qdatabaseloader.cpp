#include "qdatabaseloader.h"

tagDataPage QDataBaseLoader::get_page(int index) const
{
    if (index < 0 || index >= m_pages.size())
        return tagDataPage();
    return m_pages.at(index);
}
