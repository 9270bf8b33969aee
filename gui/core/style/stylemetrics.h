#pragma once

#include <QColor>
#include <QPoint>
#include <QSize>

// The panel look in one place: every colour, size and timing that the panel
// style, the shared widgets and the item delegates paint with. The panel's
// base colour itself is live state (StyleHelper::setBaseColor lets the
// operator recolour the panels); only its starting value is here.
namespace StyleMetrics {

// Panel base colour before the operator picks another one.
inline constexpr QColor DefaultBaseColor{128, 128, 128};
// Light variant: how far the base colour is lightened.
inline constexpr int LightBaseLighten = 230;
// Highlight and shadow derive from the base colour (value and saturation factors).
inline constexpr qreal HighlightValueLight = 1.06;
inline constexpr qreal HighlightValueDark = 1.16;
inline constexpr qreal ShadowSaturation = 1.1;
inline constexpr qreal ShadowValue = 0.7;
// setBaseColor keeps a picked colour subdued: saturation x0.7, value /3 + 64.
inline constexpr qreal PickedSaturation = 0.7;
inline constexpr int PickedValueDivisor = 3;
inline constexpr int PickedValueOffset = 64;

inline constexpr QColor ButtonTextColor{76, 76, 76};
inline constexpr QColor SidebarHighlight{255, 255, 255, 40};
inline constexpr QColor SidebarShadow{0, 0, 0, 40};
inline constexpr int InactiveSidebarTextDarken = 200;

inline constexpr int NavigationWidgetHeight = 24;
inline constexpr qreal SidebarFontSize = 7.5;

// Gradients.
inline constexpr int VerticalHighlightLighten = 117;
inline constexpr int VerticalShadowDarken = 109;
inline constexpr QColor VerticalInnerLight{255, 255, 255, 80};
inline constexpr QColor VerticalOuterDark{0, 0, 0, 90};
inline constexpr QColor LightGradientTop{240, 240, 240};
inline constexpr QColor LightGradientBottom{207, 207, 207};
inline constexpr int StepClipHeight = 24;
inline constexpr qreal StepHighlightEnd = 0.4;
inline constexpr qreal StepBaseStart = 0.401;
inline constexpr QColor OverlayLeft{0, 0, 0, 30};
inline constexpr int OverlayHighlightAlpha = 80;
inline constexpr qreal OverlayHighlightPos = 0.7;
inline constexpr QColor OverlayRight{0, 0, 0, 40};
inline constexpr QColor MenuMergeGrey{244, 244, 244};
inline constexpr int MenuMergeFactor = 25;
inline constexpr int MenuTopLighten = 112;
inline constexpr QColor BackgroundMergeGrey{220, 220, 220};
inline constexpr int BackgroundMergeFactor = 20;
inline constexpr int BackgroundTopLighten = 150;
inline constexpr qreal BackgroundMiddlePos = 0.7;
inline constexpr int BackgroundBottomLighten = 120;

// Arrows and icons.
inline constexpr QColor ArrowColor{220, 220, 220};
inline constexpr QColor ArrowShadow{0, 0, 0, 120};
inline constexpr QPoint ArrowShadowOffset{0, 1};
inline constexpr QColor DisabledArrowColor{150, 150, 150, 150};
// The arrow takes this share of the smaller side of its rectangle.
inline constexpr qreal ArrowShare = 0.5;
inline constexpr int ArrowMinimumWidth = 5;
// Disabled icons are drawn grey at this opacity.
inline constexpr qreal DisabledIconOpacity = 0.6;
// Passes of the box blur that softens icon shadows.
inline constexpr int ShadowBlurPasses = 2;
inline constexpr QSize IndicatorIconSize{14, 14};

// Panel controls drawn by the style.
inline constexpr int PanelMaxComboHeight = 23;
inline constexpr int PanelMaxButtonHeight = 22;
inline constexpr int PanelMaxLineEditHeight = 22;
inline constexpr int StatusBarHeight = 24;
inline constexpr int ToolBarIconSize = 16;
inline constexpr int SubWindowFrameWidth = 4;
inline constexpr QColor PressedFill{0, 0, 0, 40};
inline constexpr QColor PressedEdge{0, 0, 0, 30};
inline constexpr QColor PressedPen{255, 255, 255, 30};
inline constexpr QColor HoverFill{255, 255, 255, 37};
inline constexpr int LineEditImageBorder = 5;
inline constexpr int LineEditFocusAlpha = 100;
inline constexpr int LineEditHoverAlpha = 50;
inline constexpr int StatusBarShadowDarken = 164;
inline constexpr int StatusBarBaseDarken = 130;
inline constexpr int StatusBarTopLineDarken = 110;
inline constexpr QColor StatusBarInnerLight{255, 255, 255, 60};
inline constexpr int MenuItemHighlightTop = 120;
inline constexpr int MenuItemHighlightBottom = 130;
inline constexpr QColor LightToolBarBorder{136, 136, 136};
inline constexpr QColor ToolBarHighlight{255, 255, 255, 40};
inline constexpr QColor LightToolBarHighlight{255, 255, 255, 180};
inline constexpr QColor ComboTextShadow{0, 0, 0, 70};
inline constexpr qreal DisabledLabelOpacity = 0.8;
// Etched separator: a light and a dark one-pixel line side by side, each
// fading towards both ends (alphas at the stops 0, 0.4, 0.7 and 1).
inline constexpr qreal EtchStops[] = {0.0, 0.4, 0.7, 1.0};
inline constexpr int EtchLightAlphas[] = {20, 60, 50, 40};
inline constexpr int EtchDarkAlphas[] = {30, 70, 70, 40};
// Keyboard focus on a panel tool button: a rounded outline.
inline constexpr qreal FocusOutlineRadius = 2.0;
// Menu bar: border line under it, and the lighter lines of an open item.
inline constexpr int OpenItemLineLighten = 150;

// Action tool bar and its buttons.
inline constexpr QSize ToolButtonSize{22, 22};
inline constexpr QSize SeparatorButtonSize{6, 22};
inline constexpr QSize ToolButtonHint{64, 38};
inline constexpr QSize ToolButtonMinimumHint{6, 6};
inline constexpr int FadeDurationMs = 125;
inline constexpr QColor ButtonHoverColor{120, 120, 120, 80};
inline constexpr int ButtonHoverLightenBase = 100;
inline constexpr int ButtonHoverLightenSteps = 40;
inline constexpr QColor ButtonDownColor{80, 80, 80, 80};
inline constexpr int ButtonDownDarken = 180;
inline constexpr int IconShadowRadius = 3;
inline constexpr QColor IconShadowColor{0, 0, 0, 130};
inline constexpr QPoint IconShadowOffset{1, -2};
inline constexpr int ActionBarMarginH = 5;
inline constexpr int ActionBarSpacing = 1;

// Item views.
inline constexpr QColor ItemBackground{223, 240, 225};
inline constexpr int AlternateRowLighten = 112;
inline constexpr int ItemRowHeight = 24;
inline constexpr int CheckColumnWidth = 20;
inline constexpr int CheckColumnReserve = 30;

// Splitter handles.
inline constexpr int SplitterHandleMargin = 2;

} // namespace StyleMetrics
