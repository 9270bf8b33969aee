#include "xmlobject.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <QtDebug>

#include <utility>

XMLObject::XMLObject(XMLObject *parent)
    : QObject(nullptr)
    , m_parent(parent)
{
    if (m_parent)
        m_parent->m_children.append(this);
}

XMLObject::~XMLObject()
{
    clear();
    if (m_parent)
        m_parent->m_children.removeAll(this);
}

QString XMLObject::get_title() const
{
    return m_title;
}

void XMLObject::set_title(const QString &title)
{
    m_title = title;
}

QString XMLObject::get_property(const QString &name) const
{
    return m_propertys.value(name);
}

void XMLObject::set_property(const QString &name, const QString &value)
{
    m_propertys.insert(name, value);
}

QMap<QString, QString> XMLObject::get_propertys() const
{
    return m_propertys;
}

QList<XMLObject *> XMLObject::get_children() const
{
    return m_children;
}

bool XMLObject::is_ancestor(const XMLObject *node) const
{
    for (const XMLObject *p = this; p; p = p->m_parent) {
        if (p == node)
            return true;
    }
    return false;
}

void XMLObject::inser_child(int index, XMLObject *child)
{
    if (!child || child->m_parent == this)
        return;
    // Adopting ourselves or an ancestor would make a cycle that the
    // destructor and write() would follow forever.
    if (is_ancestor(child)) {
        qWarning("XMLObject::inser_child: refusing to make a node a child of itself or of its own subtree");
        return;
    }
    if (child->m_parent)
        child->m_parent->m_children.removeAll(child);
    child->m_parent = this;
    if (index < 0 || index >= m_children.size())
        m_children.append(child);
    else
        m_children.insert(index, child);
}

void XMLObject::set_simple()
{
    m_document = false;
}

void XMLObject::clear()
{
    // Detach first, so the children's destructors do not edit the list we
    // are walking.
    const QList<XMLObject *> children = std::exchange(m_children, {});
    for (XMLObject *child : children) {
        child->m_parent = nullptr;
        delete child;
    }
    m_propertys.clear();
    m_title.clear();
}

void XMLObject::load(QXmlStreamReader *reader)
{
    load_element(reader, 1);
}

void XMLObject::load_element(QXmlStreamReader *reader, int depth)
{
    clear();
    m_title = reader->name().toString();
    const QXmlStreamAttributes attributes = reader->attributes();
    for (const QXmlStreamAttribute &attribute : attributes)
        m_propertys.insert(attribute.name().toString(), attribute.value().toString());

    while (!reader->hasError()) {
        const QXmlStreamReader::TokenType token = reader->readNext();
        if (token == QXmlStreamReader::StartElement) {
            if (depth >= max_depth) {
                reader->raiseError(QStringLiteral("elements nested deeper than %1 levels").arg(max_depth));
                return;
            }
            auto *child = new XMLObject(this);
            child->load_element(reader, depth + 1);
        } else if (token == QXmlStreamReader::EndElement) {
            return;
        }
    }
}

bool XMLObject::load(const QString &text, QString *error)
{
    QXmlStreamReader reader(text);
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement)
            break;
    }
    if (reader.tokenType() != QXmlStreamReader::StartElement)
        return false;

    load(&reader);
    if (!reader.hasError())
        return true;
    if (error)
        *error = reader.errorString();
    return false;
}

void XMLObject::write(QXmlStreamWriter *writer) const
{
    if (m_title.isEmpty())
        return;
    writer->writeStartElement(m_title);
    for (auto it = m_propertys.cbegin(); it != m_propertys.cend(); ++it)
        writer->writeAttribute(it.key(), it.value());
    for (const XMLObject *child : m_children)
        child->write(writer);
    writer->writeEndElement();
}

QString XMLObject::write() const
{
    QString text;
    QXmlStreamWriter writer(&text);
    if (m_document) {
        writer.writeStartDocument();
        writer.setAutoFormatting(true);
        writer.setAutoFormattingIndent(4);
    }
    write(&writer);
    if (m_document)
        writer.writeEndDocument();
    return text;
}
