#include "core/storage/report.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <locale>
#include <ostream>
#include <sstream>

#include "core/base/localehook.h"
#include "core/devices/devicetypes.h"
#include "core/package/approxstate.h"
#include "core/package/celltext.h"
#include "core/storage/atomicfile.h"
#include "core/storage/cp1251.h"

namespace files {

// One element of the page: "<tag attrs>" when made, "</tag>" and a line end when it goes. Elements
// are strictly nested; text between the tags is written unchanged, without escaping. Writing to a
// stream never throws, so the closing tag is safe in a destructor.
class TagWriter {
 public:
  TagWriter(std::ostream& out, const char* tag, const char* attrs = "") : out_(out), tag_(tag) {
    out_ << '<' << tag;
    if (*attrs) out_ << ' ' << attrs;
    out_ << '>';
  }
  ~TagWriter() { out_ << "</" << tag_ << ">\r\n"; }
  TagWriter(const TagWriter&) = delete;
  TagWriter& operator=(const TagWriter&) = delete;

 private:
  std::ostream& out_;
  const char* tag_;
};

}  // namespace files

namespace {

using files::TagWriter;

void cell(std::ostream& out, const char* attrs, const std::string& text) {
  TagWriter td(out, "td", attrs);
  out << text;
}

// The fixed-point text of the table cells, in the user's convention.
std::string fixed(double value, int digits) {
  return formatReal(value, digits, localeHook().decimalSeparator);
}

void writeTitle(std::ostream& out, const PackageBase& package) {
  TagWriter center(out, "center");
  TagWriter h4(out, "h4");
  out << "Протокол " << (package.kind ? "поверки" : "градуировки")
      << " преобразователя расхода<br>";
}

void writeIdentity(std::ostream& out, const ReportFacts& f) {
  std::ostringstream refTemp;  // the stream's own number text: "20", "20.5"
  refTemp.imbue(std::locale::classic());
  refTemp << f.settings.refTemp;
  {
    TagWriter table(out, "table", "width=\"100%\"");
    TagWriter tr(out, "tr");
    cell(out, "width=\"22%\"",
         "Заводской номер: " + formatSerialNumber(f.identity.serialNumber, f.identity.duCode));
    cell(out, "width=\"8%\"", "Ду: " + std::string(DuText(f.identity.duCode)));
    cell(out, "width=\"22%\"", "Тип: " + f.deviceName);
    cell(out, "width=\"14%\"",
         "&Delta;u (м<sup>3</sup>/имп): " +
             formatGeneral(f.pulseWeight, localeHook().decimalSeparator));
    cell(out, "width=\"22%\"",
         std::string("Аппроксимация: ") + (f.settings.fromEntries ? "по всем" : "по средним"));
    cell(out, "width=\"12%\"", "t<sub>прив</sub> (°C): " + refTemp.str());
  }
  out << "<hr>";
}

// A row of one value per line, each spanning the two cells under it.
void writeLineRow(std::ostream& out, const char* label, const std::vector<files::Line>& lines,
                  double files::Line::*field) {
  TagWriter tr(out, "tr");
  cell(out, "", label);
  for (const files::Line& line : lines) cell(out, "colspan=\"2\"", fixed(line.*field, 7));
}

// A row of the boundaries between neighbouring lines, shifted by one cell so that each stands
// below the border of the two lines it separates.
template <class Text>
void writeBoundaryRow(std::ostream& out, const char* label, const std::vector<files::Line>& lines,
                      Text boundaryText) {
  TagWriter tr(out, "tr");
  cell(out, "", label);
  if (lines.empty()) return;
  cell(out, "", "&nbsp;");
  for (size_t i = 0; i + 1 < lines.size(); ++i) cell(out, "colspan=\"2\"", boundaryText(lines[i]));
  cell(out, "", "&nbsp;");
}

void writeCoefficients(std::ostream& out, const ReportFacts& f) {
  const bool td = f.typeCode == kTdCode;
  {
    TagWriter table(out, "table");
    {
      TagWriter tr(out, "tr");
      cell(out, "", "");
      for (size_t i = 0; i < 2 * f.lines.size(); ++i) cell(out, "width=50", "");
    }
    writeLineRow(out, "A =", f.lines, &files::Line::A);
    writeLineRow(out, "B =", f.lines, &files::Line::B);
    writeBoundaryRow(out, td ? "E<sub>гр</sub> =" : "f<sub>гр</sub> (Гц) =", f.lines,
                     [td](const files::Line& l) { return fixed(l.F, td ? 0 : 6); });
    writeBoundaryRow(out, "g<sub>гр</sub> (м<sup>3</sup>/ч) =", f.lines, [](const files::Line& l) {
      const double g = l.A * l.F + l.B;
      return fixed(std::isfinite(g) ? g : 0, 6);
    });
  }
  out << "<hr>";
}

void writeMeasurements(std::ostream& out, const ReportFacts& f, const PackageBase& package) {
  const int shown = package.columnCount() - hiddenColumnCount(f.typeCode, package.kind != 0);
  int totalWidth = 0;
  for (int c = 0; c < shown; ++c) totalWidth += package.column(c).width;

  TagWriter table(out, "table", "width=\"100%\"");
  {
    TagWriter thead(out, "thead");
    TagWriter tr(out, "tr", "align=center");
    for (int c = 0; c < shown; ++c) {
      const ColumnInfo info = package.column(c);
      const std::string width = "width=\"" + std::to_string(info.width * 100 / totalWidth) + "%\"";
      TagWriter th(out, "th", width.c_str());
      out << info.htmlCaption;
    }
  }
  TagWriter tbody(out, "tbody");
  for (int r = 0; r < package.entryCount(); ++r) {
    TagWriter tr(out, "tr", "align=center");
    for (int c = 0; c < shown; ++c) cell(out, "", package.cellText(r, c));
  }
}

std::string dateText(const SystemTime& t) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02u.%02u.%04u", unsigned{t.day}, unsigned{t.month},
                unsigned{t.year});
  return buf;
}

// A measured value of the verdict tables; a dash where there is none.
std::string value3(double v) { return std::isfinite(v) ? fixed(v, 3) : "&mdash;"; }

std::string fitText(bool fit) { return fit ? "годен" : "не годен"; }

void writeZones(std::ostream& out, const ToleranceProfile& profile) {
  const char sep = localeHook().decimalSeparator;
  TagWriter table(out, "table", "border=\"1\" cellspacing=\"0\" cellpadding=\"3\"");
  {
    TagWriter tr(out, "tr", "align=center");
    cell(out, "",
         profile.basis == ZoneBasis::flow ? "Зона: расход от, м<sup>3</sup>/ч"
                                          : "Зона: расход от, доля наибольшего");
    cell(out, "", "Пределы dg, %");
  }
  for (const ToleranceZone& z : profile.zones) {
    TagWriter tr(out, "tr", "align=center");
    cell(out, "", formatGeneral(z.from, sep));
    cell(out, "", limitText({z.minus, z.plus}, sep));
  }
}

void writeSections(std::ostream& out, const PackageVerdict& v) {
  const char sep = localeHook().decimalSeparator;
  TagWriter table(out, "table", "width=\"100%\" border=\"1\" cellspacing=\"0\" cellpadding=\"3\"");
  {
    TagWriter thead(out, "thead");
    TagWriter tr(out, "tr", "align=center");
    for (const char* caption :
         {"№ сечения", "Расход, м<sup>3</sup>/ч", "Измерений", "Средняя dg, %", "Размах dg, %",
          "СКО dg, %", "Пределы dg, %", "Заключение"}) {
      TagWriter th(out, "th");
      out << caption;
    }
  }
  TagWriter tbody(out, "tbody");
  int number = 0;
  for (const SectionVerdict& s : v.sections) {
    TagWriter tr(out, "tr", "align=center");
    cell(out, "", std::to_string(++number));
    cell(out, "", value3(s.flow));
    cell(out, "", std::to_string(s.rows.size()));
    cell(out, "", value3(s.meanError));
    cell(out, "", value3(s.spread));
    cell(out, "", value3(s.stdDev));
    cell(out, "", limitText(s.limit, sep));
    cell(out, "", s.passed ? "годен" : "<b>не годен</b>");
  }
}

void writeSignatures(std::ostream& out, const ReportVerdict& r) {
  TagWriter table(out, "table", "width=\"100%\" cellpadding=\"6\"");
  const std::pair<const char*, const std::string*> rows[] = {
      {"Поверитель", &r.signing.operatorName},
      {"Стенд", &r.signing.bench},
      {"Эталон", &r.signing.reference},
  };
  for (const auto& [label, text] : rows) {
    TagWriter tr(out, "tr");
    cell(out, "width=\"20%\"", std::string(label) + ":");
    cell(out, "width=\"45%\"", text->empty() ? "&nbsp;" : htmlEscaped(*text));
    cell(out, "width=\"35%\"", label == rows[0].first ? "Подпись: ____________________" : "&nbsp;");
  }
}

void writeVerdict(std::ostream& out, const ReportVerdict& r) {
  {
    TagWriter center(out, "center");
    TagWriter h4(out, "h4");
    out << "Заключение о годности";
  }
  {
    TagWriter p(out, "p");
    out << "Профиль допускаемой погрешности: " << htmlEscaped(r.profile.name)
        << ". Дата испытаний: " << dateText(r.testDate) << ".";
  }
  writeZones(out, r.profile);
  out << "<br>";
  writeSections(out, r.verdict);
  {
    TagWriter p(out, "p");
    TagWriter b(out, "b");
    out << (r.verdict.sections.empty() ? "Нет измерений для заключения: преобразователь не годен"
                                       : "Преобразователь " + fitText(r.verdict.passed));
  }
  writeSignatures(out, r);
  out << "<hr>";
}

}  // namespace

std::string htmlEscaped(const std::string& text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string limitText(const ErrorLimit& limit, char sep) {
  if (limit.minus == limit.plus) return "±" + formatGeneral(limit.plus, sep);
  return "-" + formatGeneral(limit.minus, sep) + "…+" + formatGeneral(limit.plus, sep);
}

ReportVerdict reportVerdict(const PackageBase& package, const ToleranceProfile& profile,
                            const ProtocolSigning& signing) {
  return {profile, judgePackage(package, profile, apprSettings().sectionScatter), package.created,
          signing};
}

std::string formatGeneral(double value, char sep) {
  if (!std::isfinite(value)) return formatReal(value, 0, sep);  // NAN, INF, -INF
  if (value == 0) return "0";
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.14e", std::fabs(value));  // d.dddddddddddddde±x
  std::string digits = buf[0] + std::string(buf + 2, 14);
  const int exponent = std::atoi(buf + 17);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

  std::string text = value < 0 ? "-" : "";
  auto appendFraction = [&](size_t from) {
    if (digits.size() > from) text += sep + digits.substr(from);
  };
  if (exponent >= 15 || exponent < -5) {
    text += digits[0];
    appendFraction(1);
    text += "E" + std::to_string(exponent);
  } else if (exponent >= 0) {
    const size_t integerDigits = static_cast<size_t>(exponent) + 1;
    text += digits.substr(0, integerDigits);
    if (digits.size() < integerDigits) text.append(integerDigits - digits.size(), '0');
    appendFraction(integerDigits);
  } else {
    text += "0";
    text += sep;
    text.append(static_cast<size_t>(-exponent - 1), '0');
    text += digits;
  }
  return text;
}

ReportFacts reportFacts(DeviceBase& device) {
  ReportFacts facts;
  facts.deviceName = device.name();
  device.getIdentity(facts.identity);
  facts.typeCode = device.typeCode();
  facts.pulseWeight = device.pulseWeight();
  facts.lines = currentLines();
  facts.settings = apprSettings();
  return facts;
}

std::string reportPage(const ReportFacts& facts, const PackageBase& package) {
  return toWindows1251(reportHtml(facts, package));
}

std::string reportHtml(const ReportFacts& facts, const PackageBase& package) {
  std::ostringstream out;
  out.imbue(std::locale::classic());
  {
    TagWriter html(out, "html");
    out << "<head><title>Отчёт</title><meta http-equiv=\"Content-Type\" content=\"text/html; "
           "charset=windows-1251\"></head>";
    TagWriter body(out, "body");
    writeTitle(out, package);
    writeIdentity(out, facts);
    writeCoefficients(out, facts);
    writeMeasurements(out, facts, package);
    out << "<hr>";
    if (facts.verdict) writeVerdict(out, *facts.verdict);
  }
  return out.str();
}

void writeReport(const std::string& path, DeviceBase& device, const PackageBase& package) {
  writeReport(path, reportFacts(device), package);
}

void writeReport(const std::string& path, const ReportFacts& facts, const PackageBase& package) {
  const std::string page = reportPage(facts, package);
  files::writeFileAtomically(path, [&](std::ostream& out) { out.write(page.data(), page.size()); });
}
