#pragma once

#include <core/core_export.h>

#include <QImage>
#include <QProxyStyle>

// The workbench's application style. It wraps the platform style and redraws
// a chosen set of controls in the dark panel look when they sit in a panel:
// inside a tool bar, status bar, menu bar, styled bar, splitter or header
// view, or below a widget whose "panelWidget" property is true (the main
// window sets it on itself). A widget leaves the panel with
// "no-ManhattanStyle" (met first on the way up) or "_q_custom_style_disabled"
// (anywhere above). The proxy owns the wrapped style.
class CORE_EXPORT ManhattanStyle : public QProxyStyle
{
    Q_OBJECT
public:
    // Wraps the style QStyleFactory makes for baseStyleName.
    explicit ManhattanStyle(const QString &baseStyleName);
    ~ManhattanStyle() override;

    // True when the panel look applies to the widget.
    static bool panelWidget(const QWidget *widget);

    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex *option,
                            QPainter *painter, const QWidget *widget = nullptr) const override;

    int pixelMetric(PixelMetric metric, const QStyleOption *option = nullptr,
                    const QWidget *widget = nullptr) const override;

    void polish(QWidget *widget) override;
    void polish(QPalette &palette) override;
    void polish(QApplication *app) override;
    void unpolish(QWidget *widget) override;
    void unpolish(QApplication *app) override;

    // Etched vertical line: a light line at the left edge of rect (the right
    // edge when `reverse`) and a dark one beside it, towards the inside.
    static void drawButtonSeparator(QPainter *painter, const QRect &rect, bool reverse);

private:
    void drawToolButtonPanel(const QStyleOption *option, QPainter *painter) const;
    void drawLineEditPanel(const QStyleOption *option, QPainter *painter) const;
    void drawStatusBarPanel(const QStyleOption *option, QPainter *painter) const;
    void drawMenuBarItem(const QStyleOption *option, QPainter *painter,
                         const QWidget *widget) const;
    void drawHeaderSection(const QStyleOption *option, QPainter *painter) const;
    void drawToolBar(const QStyleOption *option, QPainter *painter, const QWidget *widget) const;
    void drawComboBoxLabel(const QStyleOption *option, QPainter *painter,
                           const QWidget *widget) const;
    void drawToolButton(const QStyleOptionComplex *option, QPainter *painter,
                        const QWidget *widget) const;
    void drawComboBox(const QStyleOptionComplex *option, QPainter *painter,
                      const QWidget *widget) const;

    QImage m_lineedit_image;
    QImage m_lineedit_image_disabled;
};
