// The batch report: one self-contained HTML page (inline style and SVG, no
// script, nothing fetched) with the table and a plot of each file's profile.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>

#include "app/batch.h"

namespace zel::app {
namespace {

constexpr std::string_view kStyle = R"(
body{font:15px/1.45 system-ui,-apple-system,"Segoe UI",sans-serif;margin:0;color:#1d2733;background:#f4f6f9}
main{max-width:1040px;margin:0 auto;padding:24px}
h1{font-size:22px;margin:0 0 4px}h2{font-size:17px;margin:0 0 10px;word-break:break-all}
p.lead{margin:0 0 16px;color:#556}
table{border-collapse:collapse;background:#fff;width:100%;font-size:13.5px}
th,td{padding:5px 8px;border-bottom:1px solid #e3e7ed;text-align:left;vertical-align:top}
th{background:#e9eef5;font-weight:600}td.n{text-align:right;font-variant-numeric:tabular-nums;white-space:nowrap}
td.f{overflow-wrap:anywhere;min-width:120px;max-width:260px}td.m{color:#445;font-size:12.5px}
a{color:#1f5fae;text-decoration:none}a:hover{text-decoration:underline}
.st{display:inline-block;padding:1px 7px;border-radius:9px;font-size:12px;font-weight:600;white-space:nowrap}
.ok{background:#dcf3e3;color:#17643a}.warning{background:#fff1cc;color:#7a5300}
.failed,.error,.too-many-points{background:#fde0e0;color:#9b1c1c}
section{background:#fff;margin:22px 0;padding:16px 18px;border-radius:8px;box-shadow:0 1px 3px rgba(0,0,0,.08)}
section table{width:auto;margin-top:8px;background:none}section td,section th{border:none;padding:2px 14px 2px 0;background:none}
section th{color:#667;font-weight:500}
svg{display:block;width:100%;height:auto;max-width:900px}
.msg{margin-top:8px;font-family:ui-monospace,monospace;font-size:12.5px;white-space:pre-wrap;word-break:break-all}
)";

std::string Escape(std::string_view text) {
  std::string out;
  for (char ch : text) {
    switch (ch) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += ch;
    }
  }
  return out;
}

std::string Number(const std::optional<float>& value) { return value ? NumberText(*value) : std::string(); }

std::string Fixed(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  return text;
}

// Tick spacing of 1, 2 or 5 times a power of ten, about `count` ticks.
double TickStep(double span, int count) {
  const double raw = span / count;
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  const double fraction = raw / power;
  return (fraction <= 1.0 ? 1.0 : fraction <= 2.0 ? 2.0 : fraction <= 5.0 ? 5.0 : 10.0) * power;
}

std::string TickLabel(double value, double step) {
  if (std::fabs(value) < step * 1e-6) value = 0.0;
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", value);
  return text;
}

struct Range {
  double low, high;
  // A range of one value is widened, so that a single point sits inside.
  void Widen() {
    if (high > low) return;
    const double pad = low != 0.0 ? std::fabs(low) * 0.5 : 1.0;
    low -= pad;
    high += pad;
  }
};

// The plot of the profile as the program integrates it: the points in file
// order joined by straight lines, the area over [T(1), T(N)] shaded, the
// first pair moved to t = 0 dashed when that happened, and every time not
// above the one before it marked.
std::string Plot(const BatchRow& row) {
  constexpr double kWidth = 720, kHeight = 330, kLeft = 78, kRight = 18, kTop = 30, kBottom = 50;
  const double pw = kWidth - kLeft - kRight, ph = kHeight - kTop - kBottom;
  const std::size_t n = row.t.size();
  if (n == 0) {
    return "<svg viewBox=\"0 0 720 80\" xmlns=\"http://www.w3.org/2000/svg\" role=\"img\"><title>No profile of " +
           Escape(row.file) + "</title><rect x=\"1\" y=\"1\" width=\"718\" height=\"78\" fill=\"#f7f8fa\" " +
           "stroke=\"#d5dbe3\"/><text x=\"360\" y=\"45\" text-anchor=\"middle\" fill=\"#778\" font-size=\"15\">" +
           "no pairs to plot</text></svg>";
  }
  std::string svg = "<svg viewBox=\"0 0 720 330\" xmlns=\"http://www.w3.org/2000/svg\" role=\"img\">";
  svg += "<title>Profile of " + Escape(row.file) + "</title>";
  Range x{row.t[0], row.t[0]}, y{0.0, 0.0};
  for (std::size_t i = 0; i < n; ++i) {
    x.low = std::min<double>(x.low, row.t[i]);
    x.high = std::max<double>(x.high, row.t[i]);
    y.low = std::min<double>(y.low, row.c[i]);
    y.high = std::max<double>(y.high, row.c[i]);
  }
  if (row.t0_point_added) x.low = std::min(x.low, 0.0);
  x.Widen();
  y.Widen();
  y.high += (y.high - y.low) * 0.05;
  auto px = [&](double t) { return Fixed(kLeft + (t - x.low) / (x.high - x.low) * pw); };
  auto py = [&](double c) { return Fixed(kTop + (y.high - c) / (y.high - y.low) * ph); };

  // Grid, ticks and their labels.
  const double xs = TickStep(x.high - x.low, 7), ys = TickStep(y.high - y.low, 5);
  for (double k = std::ceil(x.low / xs); k * xs <= x.high + xs * 1e-9; ++k) {
    const double v = k * xs;
    svg += "<line x1=\"" + px(v) + "\" x2=\"" + px(v) + "\" y1=\"" + Fixed(kTop) + "\" y2=\"" + Fixed(kTop + ph) +
           "\" stroke=\"#edf0f4\"/><text x=\"" + px(v) + "\" y=\"" + Fixed(kTop + ph + 18) +
           "\" text-anchor=\"middle\" font-size=\"12\" fill=\"#556\">" + TickLabel(v, xs) + "</text>";
  }
  for (double k = std::ceil(y.low / ys); k * ys <= y.high + ys * 1e-9; ++k) {
    const double v = k * ys;
    svg += "<line x1=\"" + Fixed(kLeft) + "\" x2=\"" + Fixed(kLeft + pw) + "\" y1=\"" + py(v) + "\" y2=\"" + py(v) +
           "\" stroke=\"#edf0f4\"/><text x=\"" + Fixed(kLeft - 8) + "\" y=\"" + py(v) +
           "\" dy=\"4\" text-anchor=\"end\" font-size=\"12\" fill=\"#556\">" + TickLabel(v, ys) + "</text>";
  }
  svg += "<rect x=\"" + Fixed(kLeft) + "\" y=\"" + Fixed(kTop) + "\" width=\"" + Fixed(pw) + "\" height=\"" +
         Fixed(ph) + "\" fill=\"none\" stroke=\"#b8c2cf\"/>";
  if (y.low < 0.0) {
    svg += "<line x1=\"" + Fixed(kLeft) + "\" x2=\"" + Fixed(kLeft + pw) + "\" y1=\"" + py(0) + "\" y2=\"" + py(0) +
           "\" stroke=\"#8894a3\"/>";
  }
  svg += "<text x=\"" + Fixed(kLeft + pw / 2) + "\" y=\"" + Fixed(kHeight - 10) +
         "\" text-anchor=\"middle\" font-size=\"13\" fill=\"#334\">time t</text>"
         "<text transform=\"translate(18," + Fixed(kTop + ph / 2) +
         ") rotate(-90)\" text-anchor=\"middle\" font-size=\"13\" fill=\"#334\">concentration c</text>";

  // The area of the first integration, the curve and the points.
  std::string curve;
  for (std::size_t i = 0; i < n; ++i) curve += px(row.t[i]) + "," + py(row.c[i]) + " ";
  svg += "<polygon points=\"" + px(row.t[0]) + "," + py(0) + " " + curve + px(row.t[n - 1]) + "," + py(0) +
         "\" fill=\"#3b82c4\" fill-opacity=\"0.18\"/>";
  svg += "<polyline points=\"" + curve + "\" fill=\"none\" stroke=\"#1f5fae\" stroke-width=\"1.6\"/>";
  if (row.t0_point_added) {
    const std::size_t to = n > 1 ? 1 : 0;
    svg += "<line x1=\"" + px(0) + "\" y1=\"" + py(row.c[0]) + "\" x2=\"" + px(row.t[to]) + "\" y2=\"" +
           py(row.c[to]) + "\" stroke=\"#d9730d\" stroke-width=\"1.6\" stroke-dasharray=\"5 4\"/>"
           "<circle cx=\"" + px(0) + "\" cy=\"" + py(row.c[0]) +
           "\" r=\"4.5\" fill=\"#fff\" stroke=\"#d9730d\" stroke-width=\"2\"><title>t=0 point added</title></circle>";
  }
  const std::string radius = n > 400 ? "1.4" : "2.6";
  std::size_t disordered = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const bool out_of_order = i > 0 && !(row.t[i] > row.t[i - 1]);
    disordered += out_of_order;
    svg += "<circle cx=\"" + px(row.t[i]) + "\" cy=\"" + py(row.c[i]) + "\" r=\"" +
           (out_of_order ? std::string("4.5\" fill=\"none\" stroke=\"#c81e1e\" stroke-width=\"2")
                         : radius + "\" fill=\"#1f5fae") +
           "\"/>";
  }

  // Legend along the top.
  std::string legend = "<tspan fill=\"#1f5fae\">&#9679; pairs, area over [first, last time] shaded</tspan>";
  if (row.t0_point_added) legend += "<tspan fill=\"#d9730d\" dx=\"14\">&#9675; - - first pair moved to t = 0</tspan>";
  if (disordered > 0) {
    legend += "<tspan fill=\"#c81e1e\" dx=\"14\" font-weight=\"600\">&#9675; " + std::to_string(disordered) +
              (disordered == 1 ? " time" : " times") + " out of order or repeated</tspan>";
  }
  svg += "<text x=\"" + Fixed(kLeft) + "\" y=\"18\" font-size=\"12.5\">" + legend + "</text></svg>";
  return svg;
}

std::string StatusBadge(const BatchRow& row) { return "<span class=\"st " + row.status + "\">" + row.status + "</span>"; }

}  // namespace

std::string ReportPage(const std::vector<BatchRow>& rows) {
  std::size_t good = 0;
  for (const BatchRow& row : rows) good += row.status == "ok" || row.status == "warning";
  std::string page = "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
                     "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
                     "<title>Zelvantor batch report</title><style>";
  page += kStyle;
  page += "</style></head><body><main><h1>Zelvantor batch report</h1><p class=\"lead\">" +
          std::to_string(rows.size()) + (rows.size() == 1 ? " data file, " : " data files, ") + std::to_string(good) +
          " with areas (ok or warning).</p>\n<table><thead><tr><th>#</th><th>file</th><th>pairs</th>"
          "<th>area under</th><th>last time</th><th>t=0 added</th><th>area above</th><th>status</th>"
          "<th>message</th></tr></thead><tbody>\n";
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const BatchRow& row = rows[i];
    const std::string id = "f" + std::to_string(i + 1);
    page += "<tr><td class=\"n\">" + std::to_string(i + 1) + "</td><td class=\"f\"><a href=\"#" + id + "\">" +
            Escape(row.file) + "</a></td><td class=\"n\">" + (row.pairs ? std::to_string(*row.pairs) : "") +
            "</td><td class=\"n\">" + Number(row.area_under) + "</td><td class=\"n\">" + Number(row.last_time) +
            "</td><td>" + (row.t0_point_added ? "yes" : "no") + "</td><td class=\"n\">" + Number(row.area_above) +
            "</td><td>" + StatusBadge(row) + "</td><td class=\"m\">" + Escape(row.message) + "</td></tr>\n";
  }
  page += "</tbody></table>\n";
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const BatchRow& row = rows[i];
    page += "<section id=\"f" + std::to_string(i + 1) + "\"><h2>" + std::to_string(i + 1) + ". " + Escape(row.file) +
            "</h2>" + Plot(row) + "<table><tr><th>pairs</th><td>" +
            (row.pairs ? std::to_string(*row.pairs) : "") + "</td><th>area under the curve</th><td>" +
            Number(row.area_under) + "</td><th>last time</th><td>" + Number(row.last_time) +
            "</td></tr><tr><th>status</th><td>" + StatusBadge(row) + "</td><th>area above the curve</th><td>" +
            Number(row.area_above) + "</td><th>t=0 point added</th><td>" + (row.t0_point_added ? "yes" : "no") +
            "</td></tr></table>";
    if (!row.message.empty()) page += "<div class=\"msg\">" + Escape(row.message) + "</div>";
    page += "</section>\n";
  }
  page += "</main></body></html>\n";
  return page;
}

}  // namespace zel::app
