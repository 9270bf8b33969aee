#pragma once

#include <coredata/coredata_export.h>

#include <QList>
#include <QMap>
#include <QObject>
#include <QString>

class QXmlStreamReader;
class QXmlStreamWriter;

// One XML element in memory: a title (the element name), its attributes and
// its child elements. Text, comments and namespaces are not kept.
//
// Ownership runs only through the child lists: a node owns its children and
// deletes them in clear() and in its destructor; the QObject parent is always
// null. A root belongs to whoever created it; pointers handed out by
// get_children() are borrowed.
class COREDATA_EXPORT XMLObject : public QObject
{
    Q_OBJECT
public:
    explicit XMLObject(XMLObject *parent = nullptr);
    ~XMLObject() override;

    QString get_title() const;
    void set_title(const QString &title);

    // An absent attribute reads as an empty string.
    QString get_property(const QString &name) const;
    void set_property(const QString &name, const QString &value);
    QMap<QString, QString> get_propertys() const;

    QList<XMLObject *> get_children() const;
    // Takes the child away from any other parent and puts it before `index`
    // (appends when the index is negative or past the end). A child that is
    // already ours stays where it is.
    void inser_child(int index, XMLObject *child);

    // Writes a bare element: no declaration, no line breaks.
    void set_simple();
    // Deletes all children and attributes and empties the title.
    void clear();

    // The reader must stand on a start element; reads it and its subtree.
    void load(QXmlStreamReader *reader);
    // Parses XML text (not a file name). Only the first top-level element is
    // read. On a parse error the tree read so far stays in the node.
    bool load(const QString &text, QString *error = nullptr);

    // A node with an empty title writes nothing, subtree included.
    void write(QXmlStreamWriter *writer) const;
    QString write() const;

    // Deeper documents are refused as malformed: the reader and the tree
    // recurse per level, and no file of ours is more than a few levels deep.
    static constexpr int max_depth = 256;

private:
    void load_element(QXmlStreamReader *reader, int depth);
    bool is_ancestor(const XMLObject *node) const;

    QList<XMLObject *> m_children;
    QMap<QString, QString> m_propertys;
    XMLObject *m_parent = nullptr;
    QString m_title;
    bool m_document = true;
};
