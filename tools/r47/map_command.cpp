#include "map_command.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "export_command.h"
#include "text_out.h"

namespace r47 {

namespace {

constexpr double kWidth = 800.0;
constexpr double kPlot = 600.0; // the square the survey is fitted into
constexpr double kMargin = 60.0;
constexpr double kHeight = kPlot + 2 * kMargin;
constexpr double kMetresPerDegreeLat = 110574.0;
constexpr double kMetresPerDegreeLonAtEquator = 111320.0;
constexpr double kPi = 3.14159265358979323846;

struct LineEnds {
    std::string name;
    double firstLat = 0, firstLon = 0, lastLat = 0, lastLon = 0;
};

struct Bounds {
    bool any = false;
    double minLat = 0, maxLat = 0, minLon = 0, maxLon = 0;
    double minValue = 0, maxValue = 0;
    std::map<int64_t, LineEnds> lines;
};

class Projection {
public:
    explicit Projection(const Bounds& b) {
        lat0_ = (b.minLat + b.maxLat) / 2;
        lon0_ = (b.minLon + b.maxLon) / 2;
        xPerLon_ = kMetresPerDegreeLonAtEquator * std::cos(lat0_ * kPi / 180.0);
        const double w = (b.maxLon - b.minLon) * xPerLon_;
        const double h = (b.maxLat - b.minLat) * kMetresPerDegreeLat;
        // At least 10 m across, so a single point still gets a scale.
        pixelsPerMetre_ = kPlot / std::max({w, h, 10.0});
    }
    double X(double lon) const {
        return kMargin + kPlot / 2 + (lon - lon0_) * xPerLon_ * pixelsPerMetre_;
    }
    double Y(double lat) const {
        return kMargin + kPlot / 2 - (lat - lat0_) * kMetresPerDegreeLat * pixelsPerMetre_;
    }
    double PixelsPerMetre() const { return pixelsPerMetre_; }

private:
    double lat0_ = 0, lon0_ = 0, xPerLon_ = 1, pixelsPerMetre_ = 1;
};

void Num(std::string& out, double v) {
    AppendFixed(out, v, 1);
}

} // namespace

std::string ScaleColour(double t) {
    // Viridis at t = 0, 0.125, ..., 1.
    static constexpr std::array<std::array<double, 3>, 9> kAnchors = {{{68, 1, 84},
                                                                       {71, 44, 122},
                                                                       {59, 81, 139},
                                                                       {44, 113, 142},
                                                                       {33, 144, 141},
                                                                       {39, 173, 129},
                                                                       {92, 200, 99},
                                                                       {170, 220, 50},
                                                                       {253, 231, 37}}};
    if (!(t >= 0.0)) {
        t = 0.0;
    }
    t = std::min(t, 1.0) * 8.0;
    const std::size_t i = std::min<std::size_t>(static_cast<std::size_t>(t), 7);
    const double f = t - static_cast<double>(i);
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out = "#";
    for (std::size_t c = 0; c < 3; ++c) {
        const int v = static_cast<int>(
            std::lround(kAnchors[i][c] + (kAnchors[i + 1][c] - kAnchors[i][c]) * f));
        out += kHex[v >> 4];
        out += kHex[v & 15];
    }
    return out;
}

double ScaleBarMetres(double maxMetres) {
    if (!(maxMetres > 0.0)) {
        return 0.0;
    }
    const double power = std::pow(10.0, std::floor(std::log10(maxMetres)));
    for (double step : {5.0, 2.0, 1.0}) {
        if (step * power <= maxMetres) {
            return step * power;
        }
    }
    return power;
}

int RunMap(const std::string& file, int channel, double maxGapS, double lagS, std::FILE* out,
           std::FILE* err) {
    const std::size_t ch = static_cast<std::size_t>(std::clamp(channel, 1, 4) - 1);
    Bounds b;
    const PositionPass first =
        WalkWithPositions(file, maxGapS, lagS, [&](const PositionedRow& r, const PositionPass&) {
            if (!r.position) {
                return;
            }
            const Position& p = *r.position;
            const double v = r.reading.channel[ch];
            if (!b.any) {
                b = {true, p.lat, p.lat, p.lon, p.lon, v, v, {}};
            }
            b.minLat = std::min(b.minLat, p.lat);
            b.maxLat = std::max(b.maxLat, p.lat);
            b.minLon = std::min(b.minLon, p.lon);
            b.maxLon = std::max(b.maxLon, p.lon);
            if (std::isfinite(v)) {
                b.minValue = std::min(b.minValue, v);
                b.maxValue = std::max(b.maxValue, v);
            }
            auto [it, added] = b.lines.try_emplace(r.line.number);
            if (added) {
                it->second = {r.line.name, p.lat, p.lon, p.lat, p.lon};
            }
            it->second.lastLat = p.lat;
            it->second.lastLon = p.lon;
        });
    if (!first.walk.opened || !first.walk.error.empty()) {
        std::fprintf(err, "r47: %s: cannot read: %s\n", file.c_str(), first.walk.error.c_str());
        return 2;
    }

    std::string s;
    s += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" "
         "width=\"";
    Num(s, kWidth);
    s += "\" height=\"";
    Num(s, kHeight);
    s += "\" viewBox=\"0 0 ";
    Num(s, kWidth);
    s += ' ';
    Num(s, kHeight);
    s += "\" font-family=\"sans-serif\" font-size=\"12\">\n<title>";
    AppendXmlEscaped(s, file);
    s += "</title>\n<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    auto flush = [&] {
        std::fwrite(s.data(), 1, s.size(), out);
        s.clear();
    };
    if (!b.any) {
        s += "<text x=\"20\" y=\"40\">no readings with a GPS position</text>\n</svg>\n";
        flush();
        std::fprintf(err, "r47: %s: no readings with a GPS position\n", file.c_str());
        return 1;
    }
    const Projection proj(b);
    auto point = [&](double lat, double lon) {
        Num(s, proj.X(lon));
        s += ' ';
        Num(s, proj.Y(lat));
    };

    // The tracks, one path per line.
    s += "<g fill=\"none\" stroke=\"#888888\" stroke-width=\"1\">\n";
    int64_t openLine = -1;
    WalkWithPositions(file, maxGapS, lagS, [&](const PositionedRow& r, const PositionPass&) {
        if (!r.position) {
            return;
        }
        if (r.line.number != openLine) {
            if (openLine >= 0) {
                s += "\"/>\n";
            }
            openLine = r.line.number;
            s += "<path d=\"M";
        } else {
            s += " L";
        }
        point(r.position->lat, r.position->lon);
        if (s.size() > 1 << 16) {
            flush();
        }
    });
    if (openLine >= 0) {
        s += "\"/>\n";
    }
    s += "</g>\n";

    // The readings, coloured by the channel.
    const double range = b.maxValue - b.minValue;
    s += "<g stroke=\"none\">\n";
    WalkWithPositions(file, maxGapS, lagS, [&](const PositionedRow& r, const PositionPass&) {
        if (!r.position) {
            return;
        }
        s += "<circle cx=\"";
        Num(s, proj.X(r.position->lon));
        s += "\" cy=\"";
        Num(s, proj.Y(r.position->lat));
        s += "\" r=\"2\" fill=\"";
        s += ScaleColour(range > 0 ? (r.reading.channel[ch] - b.minValue) / range : 0.5);
        s += "\"/>\n";
        if (s.size() > 1 << 16) {
            flush();
        }
    });
    s += "</g>\n";

    // Line names at both ends.
    s += "<g fill=\"black\">\n";
    for (const auto& [number, l] : b.lines) {
        for (bool start : {true, false}) {
            s += "<text x=\"";
            Num(s, proj.X(start ? l.firstLon : l.lastLon) + 4);
            s += "\" y=\"";
            Num(s, proj.Y(start ? l.firstLat : l.lastLat) - 4);
            s += "\">";
            AppendXmlEscaped(s, l.name);
            s += "</text>\n";
        }
    }
    s += "</g>\n";

    // North arrow, top right of the plot.
    const double ax = kMargin + kPlot + 60;
    s += "<g stroke=\"black\" fill=\"black\"><line x1=\"";
    Num(s, ax);
    s += "\" y1=\"90\" x2=\"";
    Num(s, ax);
    s += "\" y2=\"40\" stroke-width=\"2\"/><polygon points=\"";
    Num(s, ax);
    s += ",30 ";
    Num(s, ax - 6);
    s += ",44 ";
    Num(s, ax + 6);
    s += ",44\"/><text x=\"";
    Num(s, ax - 4);
    s += "\" y=\"24\" stroke=\"none\">N</text></g>\n";

    // Scale bar under the plot: a round length of at most a third of the plot.
    const double metres = ScaleBarMetres(kPlot / 3 / proj.PixelsPerMetre());
    const double barPixels = metres * proj.PixelsPerMetre();
    const double by = kMargin + kPlot + 30;
    s += "<g stroke=\"black\" stroke-width=\"2\"><line x1=\"";
    Num(s, kMargin);
    s += "\" y1=\"";
    Num(s, by);
    s += "\" x2=\"";
    Num(s, kMargin + barPixels);
    s += "\" y2=\"";
    Num(s, by);
    s += "\"/></g>\n<text x=\"";
    Num(s, kMargin);
    s += "\" y=\"";
    Num(s, by - 6);
    s += "\">";
    AppendFixed(s, metres, metres < 1 ? 2 : 0);
    s += " m</text>\n";

    // Legend: the colour scale with its end values.
    const double lx = kMargin + kPlot + 40;
    const double ly = 150;
    const double lh = 200;
    s += "<defs><linearGradient id=\"scale\" x1=\"0\" y1=\"1\" x2=\"0\" y2=\"0\">";
    for (int i = 0; i <= 8; ++i) {
        s += "<stop offset=\"";
        AppendFixed(s, i / 8.0, 3);
        s += "\" stop-color=\"" + ScaleColour(i / 8.0) + "\"/>";
    }
    s += "</linearGradient></defs>\n<rect x=\"";
    Num(s, lx);
    s += "\" y=\"";
    Num(s, ly);
    s += "\" width=\"16\" height=\"";
    Num(s, lh);
    s += "\" fill=\"url(#scale)\" stroke=\"black\"/>\n<text x=\"";
    Num(s, lx);
    s += "\" y=\"";
    Num(s, ly - 8);
    s += "\">ch" + std::to_string(ch + 1) + "</text>\n<text x=\"";
    Num(s, lx + 20);
    s += "\" y=\"";
    Num(s, ly + 10);
    s += "\">";
    AppendFixed(s, b.maxValue, 2);
    s += "</text>\n<text x=\"";
    Num(s, lx + 20);
    s += "\" y=\"";
    Num(s, ly + lh);
    s += "\">";
    AppendFixed(s, b.minValue, 2);
    s += "</text>\n</svg>\n";
    flush();
    return first.walk.trailingBytes > 0 || first.outsideLines > 0 ? 1 : 0;
}

} // namespace r47
