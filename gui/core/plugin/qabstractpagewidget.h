#pragma once

#include <core/core_export.h>

#include <QWidget>

// Base of page widgets: tells the page when its tab is entered or left,
// before its visibility changes.
class CORE_EXPORT QAbstractPageWidget : public QWidget
{
    Q_OBJECT
public:
    explicit QAbstractPageWidget(QWidget *parent = nullptr);

    void setVisible(bool visible) override;

    // What the page edits apart from the drive (an open parameter file), as
    // the window's title names it; empty when it edits nothing else.
    virtual QString document_title() const;
    // The page is about to lose what it edits (a drive connects, the
    // program closes): it asks the operator about work not yet saved or
    // written. False when the operator chose to keep it.
    virtual bool release_document();

signals:
    void selected(bool select);
    // document_title() changed.
    void document_changed();
};
