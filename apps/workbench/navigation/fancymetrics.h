#pragma once

#include <QColor>
#include <QPoint>
#include <QSize>

// The look of the navigation column in one place: sizes, colours and timings
// that the tab bar, the action bar and their buttons paint with.
namespace FancyMetrics {

// Tabs.
inline constexpr int TabMinimumWidth = 70;
inline constexpr int TabTextPadding = 4;
inline constexpr int TabTextHeightPadding = 8;
inline constexpr int TabIconHeight = 32;
inline constexpr int TabBarMinimumWidth = 44;
// A tab taller than this shows its icon above the title.
inline constexpr int TabIconThreshold = 35;
inline constexpr int TabIconTopMargin = 4;

// Hover glow of a tab: fades to an alpha of 40 quickly and back out slowly.
inline constexpr int TabFadeInMs = 80;
inline constexpr int TabFadeOutMs = 160;
inline constexpr float TabFadeInEnd = 40.0f;

// Selected tab.
inline constexpr QColor SelectedFillLeft{255, 255, 255, 140};
inline constexpr QColor SelectedFillRight{255, 255, 255, 210};
inline constexpr QColor SelectedDarkEdge{0, 0, 0, 110};
inline constexpr QColor SelectedLeftEdge{0, 0, 0, 40};
inline constexpr QColor SelectedLightOuter{255, 255, 255, 50};
inline constexpr QColor SelectedLightInner{255, 255, 255, 40};
inline constexpr QColor SelectedText{60, 60, 60};
inline constexpr QColor SelectedShadow{255, 255, 255, 160};
inline constexpr QColor UnselectedShadow{0, 0, 0, 110};
inline constexpr QColor DisabledText{0, 0, 0, 120};
inline constexpr qreal DisabledOpacity = 0.7;

// Icon shadow of tabs and action buttons.
inline constexpr QColor IconShadow{0, 0, 0, 130};
inline constexpr int IconShadowRadius = 3;
inline constexpr QPoint IconShadowOffset{1, -2};

// Action buttons under the tabs.
inline constexpr QSize ActionButtonSize{64, 38};
inline constexpr QSize ActionButtonMinimum{8, 8};
inline constexpr int ActionIconSide = 31;
inline constexpr int ActionBarBottomSpacing = 8;
inline constexpr int ActionBarTopMargin = 2;
inline constexpr int ActionButtonFadeMs = 125;
inline constexpr int ActionButtonGlowAlpha = 40;
inline constexpr QColor ActionButtonPressed{0, 0, 0, 50};

// Status bar with the link lamp.
inline constexpr int StatusBarRightMargin = 5;

} // namespace FancyMetrics
