#pragma once

#include <core/core_export.h>

#include <QImage>
#include <QProxyStyle>

// Application style of the workbench: wraps the platform style and repaints
// the controls that sit in a "panel" (the main window marks itself as one,
// tool bars, status bars, menu bars, splitters and header views always are)
// in the dark panel look. Widgets opt out with the dynamic property
// "no-ManhattanStyle" or "_q_custom_style_disabled".
class CORE_EXPORT ManhattanStyle : public QProxyStyle
{
    Q_OBJECT
public:
    // Wraps the style QStyleFactory makes for baseStyleName; the proxy owns it.
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

    // Etched vertical line at the left (or, with reverse, the right) edge.
    static void drawButtonSeparator(QPainter *painter, const QRect &rect, bool reverse);

private:
    void drawToolBar(const QStyleOption *option, QPainter *painter, const QWidget *widget) const;
    void drawComboBoxLabel(const QStyleOption *option, QPainter *painter,
                           const QWidget *widget) const;

    QImage m_lineedit_image;
    QImage m_lineedit_image_disabled;
};
