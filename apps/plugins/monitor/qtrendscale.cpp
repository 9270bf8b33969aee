#include "qtrendscale.h"

#include <algorithm>
#include <cmath>

namespace {

// Ticks wanted on an axis; the step is the 1-2-5 number nearest above span / this.
constexpr double kTicksWanted = 5.0;
// Least span where a unit is not in the table: one display unit.
constexpr double kDefaultLeastSpan = 1.0;

struct UnitSpan
{
    const char16_t *unit;
    double span;
};

// A change smaller than these is noise to the eye of whoever commissions a drive.
constexpr UnitSpan kLeastSpans[] = {
    {u"Hz", 1.0},  {u"kHz", 0.1}, {u"A", 1.0},   {u"V", 10.0}, {u"kW", 1.0},  {u"%", 5.0},
    {u"rpm", 10.0}, {u"℃", 2.0},  {u"min", 1.0}, {u"h", 1.0},  {u"kWh", 1.0}, {u"m", 1.0},
};

double nice_step(double rough)
{
    const double magnitude = std::pow(10.0, std::floor(std::log10(rough)));
    const double fraction = rough / magnitude;
    const double nice = fraction <= 1.0 ? 1.0 : fraction <= 2.0 ? 2.0 : fraction <= 5.0 ? 5.0 : 10.0;
    return nice * magnitude;
}

} // namespace

TrendScale TrendScale::of(double low, double high, double least_span)
{
    if (!(least_span > 0) || !std::isfinite(least_span))
        least_span = kDefaultLeastSpan;
    if (!std::isfinite(low) || !std::isfinite(high) || low > high) {
        low = 0;
        high = least_span;
    }
    if (high - low < least_span) {
        // Centred on what is seen, but a positive quantity keeps its axis
        // above zero, and one that touches zero starts there.
        const double middle = (low + high) / 2.0;
        double from = middle - least_span / 2.0;
        if (low >= 0 && from < 0)
            from = 0;
        else if (high <= 0 && from + least_span > 0)
            from = -least_span;
        low = from;
        high = from + least_span;
    }
    TrendScale scale;
    scale.step = nice_step((high - low) / kTicksWanted);
    scale.low = std::floor(low / scale.step + 1e-9) * scale.step;
    scale.high = std::ceil(high / scale.step - 1e-9) * scale.step;
    if (scale.high <= scale.low)
        scale.high = scale.low + scale.step;
    scale.decimals = std::max(0, int(-std::floor(std::log10(scale.step) + 1e-9)));
    return scale;
}

double TrendScale::least_span(const QString &unit)
{
    for (const UnitSpan &entry : kLeastSpans) {
        if (unit == QStringView(entry.unit))
            return entry.span;
    }
    return kDefaultLeastSpan;
}

QString TrendScale::label_format() const
{
    return QStringLiteral("%.") + QString::number(decimals) + QLatin1Char('f');
}
