#pragma once
// The one line per figure that scripts/bench gathers from every benchmark program into its
// table. Tab-separated, after the word FIGURE:
//   FIGURE  figure  value  unit  baseline  baseline value  ratio  goal  peak memory
// The value and the baseline share the unit; the ratio is value / baseline value; the goal
// states the wanted ratio ("<= 1.3", ">= 2.5"), or a wanted value with its unit
// (">= 100 MB/s"), or "-"; the peak memory is free text or "-".
#include <cmath>
#include <cstdio>
#include <string>

namespace veldo::bench {

// Three significant digits at most, never in exponent form.
inline std::string FormatFigure(double value) {
    char text[64];
    const double size = std::fabs(value);
    std::snprintf(text, sizeof text, size >= 100 ? "%.0f" : size >= 10 ? "%.1f" : "%.3g", value);
    return text;
}

inline std::string FormatMegabytes(double megabytes) {
    char text[64];
    std::snprintf(text, sizeof text, "%.1f MB", megabytes);
    return text;
}

// The line as texts, for a baseline that gave no number ("crashed (signal 11)").
inline void PrintFigureLine(const std::string& figure, const std::string& value,
                            const std::string& unit, const std::string& baseline,
                            const std::string& baselineValue, const std::string& ratio,
                            const std::string& goal, const std::string& peakMemory) {
    std::printf("FIGURE\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n", figure.c_str(), value.c_str(),
                unit.c_str(), baseline.c_str(), baselineValue.c_str(), ratio.c_str(), goal.c_str(),
                peakMemory.c_str());
    std::fflush(stdout);
}

inline void PrintFigure(const std::string& figure, double value, const std::string& unit,
                        const std::string& baseline, double baselineValue,
                        const std::string& goal = "-", const std::string& peakMemory = "-") {
    PrintFigureLine(figure, FormatFigure(value), unit, baseline, FormatFigure(baselineValue),
                    baselineValue != 0 ? FormatFigure(value / baselineValue) : "-", goal,
                    peakMemory);
}

} // namespace veldo::bench
