#pragma once

#include <database/database_export.h>
#include "qdatabaseloader.h"

#include <machine/driveprofile.h>

#include <QCoreApplication>
#include <QString>

// Reads a machine description (XML) from the machines/ directory beside the
// program: machines/default.xml, or machines/<type>/<version>.xml. A
// description that cannot be used is refused whole; error_string() then says
// why in one line naming the file and line.
class DATABASE_EXPORT QMachineConfig
{
    Q_DECLARE_TR_FUNCTIONS(QMachineConfig)

public:
    QMachineConfig();

    bool load();
    bool load(const QString &type, const QString &version);
    // Reads any description file (used by the simulated drive and by tests).
    bool load_file(const QString &path);

    QDataBaseLoader *get_parvex_config() { return &m_parvex; }
    QDataBaseLoader *get_runtime_config() { return &m_runtime; }

    QString error_string() const { return m_error; }

    // The attributes of the <Machine> element of the last description read
    // (empty when it gives none): what a stored parameter set names as its
    // source.
    QString machine_name() const { return m_name; }
    QString machine_name_en() const { return m_name_en; } // empty when none
    QString machine_type() const { return m_type; }
    QString machine_version() const { return m_version; }
    // The drive's protocol profile (its <Protocol> element; the defaults
    // when the description gives none).
    DriveProfile profile() const { return m_profile; }
    // True when the description has a <Protocol> element: a drive that
    // enforces its own limits (the simulated one) does so only then.
    bool has_protocol() const { return m_has_protocol; }

    // The directory holding the descriptions: "<program dir>/machines" unless
    // set (tests point it elsewhere).
    static QString machines_directory();
    static void set_machines_directory(const QString &dir);

private:
    QDataBaseLoader m_parvex;
    QDataBaseLoader m_runtime;
    QString m_error;
    QString m_name;
    QString m_name_en;
    QString m_type;
    QString m_version;
    DriveProfile m_profile;
    bool m_has_protocol = false;
};
