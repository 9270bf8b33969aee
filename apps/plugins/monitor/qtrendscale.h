#pragma once

#include <QString>

// The range and tick step of one value axis of the trend: rounded limits
// that are whole multiples of a 1, 2 or 5 step, and never narrower than a
// least span for the value's unit, so that the noise of a steady quantity
// (a tenth of an ampere) stays a ripple instead of filling the height.
struct TrendScale
{
    double low = 0;
    double high = 1;
    double step = 0.2;
    int decimals = 1; // decimals the tick labels need for the step

    // From the lowest and highest value in view (low > high: nothing in view).
    static TrendScale of(double low, double high, double least_span);
    // The least span drawn for a display unit.
    static double least_span(const QString &unit);
    // printf format of the tick labels, "%.<decimals>f".
    QString label_format() const;
};
