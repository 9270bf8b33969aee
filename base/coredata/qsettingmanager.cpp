#include "qsettingmanager.h"

#include "qfilelocations.h"
#include "qlocalcodec.h"
#include "qsafefile.h"
#include "xmlobject.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QTextCodec>
#include <QtDebug>

namespace {

const QString &byte_array_prefix()
{
    static const QString prefix = QStringLiteral("@ByteArray(");
    return prefix;
}

QString &default_file_override()
{
    static QString path;
    return path;
}

int hex_digit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    return -1;
}

} // namespace

QSettingManager::QSettingManager()
    : m_file_path(default_file())
{
    if (default_file_override().isEmpty()) {
        const QFileLocations::Places &places = QFileLocations::current();
        m_defaults_file = places.defaults_file;
        // The unusable folder has been reported already.
        m_write_failure_reported = !places.problem.isEmpty();
    }
}

QSettingManager::QSettingManager(const QString &file_path)
    : m_file_path(file_path)
{
}

void QSettingManager::set_default_file(const QString &file_path)
{
    default_file_override() = file_path;
}

QString QSettingManager::default_file()
{
    if (!default_file_override().isEmpty())
        return default_file_override();
    return QFileLocations::current().settings_file;
}

QString QSettingManager::file_path() const
{
    return m_file_path;
}

void QSettingManager::set_defaults_file(const QString &file_path)
{
    m_defaults_file = file_path;
}

QVariant QSettingManager::get_value(const QString &key, const QVariant &default_value) const
{
    return m_values.value(key, default_value);
}

bool QSettingManager::set_value(const QString &key, const QVariant &value)
{
    m_values.insert(key, value);
    return save();
}

void QSettingManager::load()
{
    m_values.clear();
    m_load_error.clear();

    QString source = m_file_path;
    if (!QFile::exists(source) && !m_defaults_file.isEmpty())
        source = m_defaults_file; // first start of an installed copy
    QFile file(source);
    if (!file.exists())
        return; // first start: nothing stored yet
    if (!file.open(QIODevice::ReadOnly)) {
        m_load_error = QStringLiteral("%1: %2").arg(source, file.errorString());
        qWarning("Settings file %s cannot be read (%s); starting with empty settings",
                 qUtf8Printable(source), qUtf8Printable(file.errorString()));
        return;
    }
    QString text;
    QString decode_error;
    const bool decoded = QLocalCodec::decode(file.readAll(), &text, &decode_error);
    file.close();
    if (!decoded) {
        m_load_error = QStringLiteral("%1: %2").arg(source, decode_error);
        qWarning("Settings file %s cannot be decoded (%s); starting with empty settings",
                 qUtf8Printable(source), qUtf8Printable(decode_error));
        return;
    }

    XMLObject root;
    QString error;
    if (!root.load(text, &error)) {
        m_load_error = QStringLiteral("%1: %2").arg(source, error.isEmpty() ? QStringLiteral("no element") : error);
        qWarning("Settings file %s is not well-formed XML (%s); starting with empty settings",
                 qUtf8Printable(source),
                 qUtf8Printable(error.isEmpty() ? QStringLiteral("no element") : error));
        return;
    }
    if (root.get_title() != QLatin1String("Settings")) {
        m_load_error = QStringLiteral("%1: <%2> instead of <Settings>").arg(source, root.get_title());
        qWarning("Settings file %s has root element <%s> instead of <Settings>; starting with empty settings",
                 qUtf8Printable(source), qUtf8Printable(root.get_title()));
        return;
    }

    const QList<XMLObject *> groups = root.get_children();
    for (const XMLObject *group : groups) {
        const QString group_name = group->get_property(QStringLiteral("name"));
        if (group_name.isEmpty())
            continue;
        if (group_name.startsWith(QLatin1Char('.'))) {
            // Its keys would start with a dot, which save() keeps in memory
            // only: read, it would vanish from the file at the next save.
            qWarning("Settings file %s: group \"%s\" starts with a dot; its items are not read",
                     qUtf8Printable(source), qUtf8Printable(group_name.simplified()));
            continue;
        }
        const QList<XMLObject *> items = group->get_children();
        for (const XMLObject *item : items) {
            const QString item_name = item->get_property(QStringLiteral("name"));
            if (item_name.isEmpty())
                continue;
            m_values.insert(group_name + QLatin1Char('.') + item_name,
                            string_to_variant(item->get_property(QStringLiteral("value"))));
        }
    }
}

bool QSettingManager::save()
{
    XMLObject root;
    root.set_title(QStringLiteral("Settings"));
    QMap<QString, XMLObject *> groups;

    for (auto it = m_values.cbegin(); it != m_values.cend(); ++it) {
        const QString &key = it.key();
        const qsizetype dot = key.indexOf(QLatin1Char('.'));
        if (dot <= 0)
            continue; // no group: kept in memory only
        const QString group_name = key.left(dot);
        XMLObject *group = groups.value(group_name);
        if (!group) {
            group = new XMLObject(&root);
            group->set_title(QStringLiteral("Group"));
            group->set_property(QStringLiteral("name"), group_name);
            groups.insert(group_name, group);
        }
        auto *item = new XMLObject(group);
        item->set_title(QStringLiteral("Item"));
        item->set_property(QStringLiteral("name"), key.mid(dot + 1));
        item->set_property(QStringLiteral("value"), variant_to_string(it.value()));
    }

    const QString text = root.write();
    if (!QLocalCodec::codec()->canEncode(text)) {
        qWarning("Settings file %s: some characters cannot be stored in the file's encoding and are replaced",
                 qUtf8Printable(m_file_path));
    }
    const QByteArray bytes = QLocalCodec::encode(text);

    QString reason;
    if (!QSafeFile::write(m_file_path, bytes, &reason)) {
        if (!m_write_failure_reported) {
            qWarning("Settings file %s could not be written (%s); the previous file is kept, "
                     "the change holds until the program ends",
                     qUtf8Printable(m_file_path), qUtf8Printable(reason));
        }
        m_write_failure_reported = true;
        return false;
    }
    m_write_failure_reported = false;
    return true;
}

QString QSettingManager::variant_to_string(const QVariant &value) const
{
    if (value.typeId() == QMetaType::QByteArray) {
        QString text = byte_array_prefix();
        escaped_string(value.toByteArray(), text);
        text += QLatin1Char(')');
        return text;
    }
    return value.toString();
}

QVariant QSettingManager::string_to_variant(const QString &text) const
{
    if (text.startsWith(byte_array_prefix()) && text.endsWith(QLatin1Char(')'))) {
        QByteArray bytes;
        const qsizetype inner = byte_array_prefix().size();
        unescaped_string(text.mid(inner, text.size() - inner - 1), bytes);
        return QVariant(bytes);
    }
    return QVariant(text);
}

void QSettingManager::escaped_string(const QByteArray &bytes, QString &text)
{
    text.reserve(text.size() + bytes.size() * 3);
    for (const char byte : bytes) {
        text += QLatin1Char('\\');
        text += QString::number(static_cast<uchar>(byte), 16).toUpper();
    }
}

void QSettingManager::unescaped_string(const QString &text, QByteArray &bytes)
{
    const QStringList parts = text.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        // Only the low 8 bits count, so an over-long part of any length keeps
        // its last two digits; anything that is not plain hex gives 0.
        unsigned value = 0;
        for (const QChar c : part) {
            const int digit = hex_digit(c);
            if (digit < 0) {
                value = 0;
                break;
            }
            value = ((value << 4) | unsigned(digit)) & 0xFFu;
        }
        bytes.append(static_cast<char>(value));
    }
}
