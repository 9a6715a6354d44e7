#include "run/model_csv.h"

#include <string_view>

#include "station/texts.h"

namespace kov {

namespace {

constexpr const char* kLineEnd = "\r\n";

std::string Field(const std::optional<double>& value) {
    return value ? GeneralNumber(*value) : std::string();
}

// Quoted when it holds a separator, a quote or a line break; quotes doubled.
std::string TextField(const std::string& text) {
    // A text an outside program wrote (an error description) that begins like a formula would be
    // run by a spreadsheet: it is written quoted, after an apostrophe, so it stays a text.
    const bool formula =
        !text.empty() && std::string_view("=+-@").find(text.front()) != std::string_view::npos;
    if (!formula && text.find_first_of(",\"\r\n") == std::string::npos) {
        return text;
    }
    std::string quoted = formula ? "\"'" : "\"";
    for (char c : text) {
        quoted += c;
        if (c == '"') {
            quoted += '"';
        }
    }
    return quoted + "\"";
}

template <class T, class Member>
std::optional<double> Part(const std::optional<T>& value, Member member) {
    return value ? std::optional<double>((*value).*member) : std::nullopt;
}

}  // namespace

std::string ModelCsvHeader() {
    return std::string(
               "run,command,image,outcome,sent,target_ra_h,target_dec_deg,solved_ra_h,"
               "solved_dec_deg,alt_deg,az_deg,error_ra_arcsec,error_dec_arcsec,term_az_arcmin,"
               "term_el_arcmin,status,description") +
           kLineEnd;
}

std::string ModelCsvRows(int run, const std::string& command, const ModelView& view) {
    std::string rows;
    for (const ModelViewPoint& p : view.points) {
        const std::string fields[] = {
            std::to_string(run),
            TextField(command),
            std::to_string(p.imageNumber),
            PointOutcomeName(p.outcome),
            SentAsName(p.sent),
            Field(Part(p.target, &SkyPosition::ra)),
            Field(Part(p.target, &SkyPosition::dec)),
            Field(Part(p.solved, &SkyPosition::ra)),
            Field(Part(p.solved, &SkyPosition::dec)),
            Field(Part(p.sky, &HorizontalPosition::alt)),
            Field(Part(p.sky, &HorizontalPosition::az)),
            Field(Part(p.error, &PointingError::ra)),
            Field(Part(p.error, &PointingError::dec)),
            Field(Part(p.terms, &ModelTerms::a)),
            Field(Part(p.terms, &ModelTerms::e)),
            std::to_string(p.status),
            TextField(p.statusText),
        };
        for (std::size_t i = 0; i < std::size(fields); ++i) {
            rows += (i == 0 ? "" : ",") + fields[i];
        }
        rows += kLineEnd;
    }
    return rows;
}

std::string ModelCsv(const ModelView& view) {
    return ModelCsvHeader() + ModelCsvRows(1, RunCommandName(view.command), view);
}

}  // namespace kov
