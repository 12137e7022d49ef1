// The Vary loop and the sweep, one for all cases of both design modes; the
// case tables supply every text, the solver and the row columns.
#include "dialogue/sweep.hpp"

#include <algorithm>

#include "dialogue/export_hooks.hpp"

namespace dialogue {

const std::array<QuantityPrompts, 6> kQuantityPrompts = {{
    {qty::DM, " Enter main reflector diameter ",
     " Enter diameter  start,stop,step "},
    {qty::FM, " Enter main focal length ",
     " Enter main focal length  start,stop,step "},
    {qty::LM, " Enter distance from main vertex to feed ",
     " Enter main vertex to feed  start,stop,step "},
    {qty::DS, " Enter subreflector diameter ",
     " Enter subreflector diameter  start,stop,step "},
    {qty::LS, " Enter distance from feed to subreflector vertex ",
     " Enter feed to subreflector start,stop,step "},
    {qty::TE, " Enter feed half subtended angle or - f/D(effective) ",
     {}},
}};

namespace {

constexpr std::string_view kVaryStop = " Vary: 0 Stop";

// The range of a TE sweep: first the angle input type.
constexpr std::string_view kAngleTypePrompt = " Enter input type: 1 angle, 2 Effective f/D ";
constexpr std::string_view kAngleRangePrompt = " Enter half subtended angle  start,stop,step ";
constexpr std::string_view kFdRangePrompt = " Enter effective f/D  start,stop,step ";

constexpr std::string_view kCassegrainTitle = " Cassegrain geometry";
constexpr std::string_view kGregorianTitle = " Gregorian geometry";
constexpr std::string_view kFeedAngleLabel = " Feed Half subtended angle:   ";
constexpr std::string_view kEffectiveFdLabel = " Effective f/D:               ";
constexpr std::string_view kPhaseCentreLabel = " Phase center behind aperture ";

const QuantityPrompts& prompts_of(Quantity q) {
    return *std::find_if(kQuantityPrompts.begin(), kQuantityPrompts.end(),
                         [q](const QuantityPrompts& p) { return p.q == q; });
}

bool prescribes(const geometry::DesignCase& d, const ModeTable& mode, Quantity q) {
    auto end = d.prescribed.begin() + mode.sweepable;
    return std::find(d.prescribed.begin(), end, q) != end;
}

// Asks the one value of a prescribed quantity; a feed angle answer is
// converted to TE at once.
void read_fixed(DialogueState& st, Quantity q) {
    st.con.out.prompt(fixed_prompt(q));
    if (q == qty::TE) {
        st.con.in.read(st.feed_answer);
        st.g.TE = feed_angle(st.feed_answer);
    } else {
        st.con.in.read(st.g.*q);
    }
}

// Reads the range of a sweep (after the angle input type for TE).
void read_range(DialogueState& st, Quantity swept) {
    textio::OutputUnit& out = st.con.out;
    if (swept == qty::TE) {
        out.prompt(kAngleTypePrompt);
        st.con.in.read(st.angle_type);
        if (st.angle_type == 1) out.prompt(kAngleRangePrompt);
        if (st.angle_type == 2) out.prompt(kFdRangePrompt);
    } else {
        out.prompt(range_prompt(swept));
    }
    st.con.in.read_list({st.start, st.stop, st.step});
}

// The report header: geometry title, given-value lines, feed-angle line
// and phase-centre line.  Report file only.
void write_report_header(DialogueState& st, const ModeTable& mode, const geometry::DesignCase& d,
                         const VaryOption& opt, Quantity swept, textio::Record& r) {
    textio::OutputUnit& rep = st.report;
    if (st.g.t == -1.0f) {
        rep.empty();
        rep.record(kCassegrainTitle);
    } else if (st.g.t == 1.0f) {
        rep.empty();
        rep.record(kGregorianTitle);
    }
    for (const GivenLine& line : opt.given) {
        if (line.label.empty()) break;
        rep.record(r.clear().lit(line.label).F(st.g.*line.q, 9, 4));
    }
    if (prescribes(d, mode, qty::TE) && swept != qty::TE) {
        if (st.feed_answer > 0) {
            rep.record(r.clear().lit(kFeedAngleLabel).F(st.feed_answer, 9, 2));
        } else if (st.feed_answer < 0) {
            rep.record(r.clear().lit(kEffectiveFdLabel).F(-st.feed_answer, 9, 4));
        }
    }
    if (mode.feed_questions && st.phase_answer == 1) {
        rep.record(r.clear().lit(kPhaseCentreLabel).F(st.g.LP, 9, 4));
    }
}

// The heading, to console and report: an empty record and two heading
// records.  A TE sweep with an angle input type other than 1 or 2 has none.
void write_heading(DialogueState& st, const VaryOption& opt, Quantity swept) {
    const Heading* h = &opt.heading;
    if (swept == qty::TE && st.angle_type != 1) h = st.angle_type == 2 ? &opt.fd_heading : nullptr;
    if (h == nullptr) return;
    for (textio::OutputUnit* unit : {&st.con.out, &st.report}) {
        unit->empty();
        unit->record(h->upper);
        unit->record(h->lower);
    }
}

float column_value(const Geometry& g, const Column& col) {
    return col.in_degrees ? degrees(g.*col.q) : g.*col.q;
}

void format_row(const DialogueState& st, const ModeTable& mode, const CaseTable& c, float swept_now,
                textio::Record& r) {
    const Geometry& g = st.g;
    r.clear();
    for (const RowField& f : mode.row) {
        float v = 0;
        switch (f.source) {
        case Source::Swept: v = swept_now; break;
        case Source::Column2: v = column_value(g, c.columns[0]); break;
        case Source::Column3: v = column_value(g, c.columns[1]); break;
        case Source::Column6: v = column_value(g, c.columns[2]); break;
        case Source::AS: v = g.AS; break;
        case Source::FS: v = g.FS; break;
        case Source::LT: v = g.LT; break;
        }
        r.F(v, f.width, f.decimals);
    }
}

// The sweep of one prescribed quantity: range, header, heading, one row per
// design, then the export step when export is on.
void sweep(DialogueState& st, const ModeTable& mode, const geometry::DesignCase& d, const CaseTable& c,
           const VaryOption& opt, Quantity swept) {
    read_range(st, swept);
    st.rows = row_count(st.start, st.stop, st.step);

    textio::Record r;
    write_report_header(st, mode, d, opt, swept, r);
    write_heading(st, opt, swept);

    const geometry::Solver solve = mode.feed_questions && st.phase_answer == 1 ? d.with_phase : d.plain;
    const bool angle = swept == qty::TE;
    for (std::int32_t i = 1; i <= st.rows; ++i) {
        st.row = i;
        const float v = swept_value(st.start, st.step, i);
        if (angle) {
            st.feed_answer = v;
            st.g.TE = swept_angle(v, st.angle_type);
        } else {
            st.g.*swept = v;
        }
        solve(st.g);
        geometry::total_length(st.g);
        format_row(st, mode, c, angle ? st.feed_answer : st.g.*swept, r);
        st.con.out.record(r);
        st.report.record(r);
        if (i == INT32_MAX) break;  // keeps the index from overflowing
    }

    if (st.export_flag == 1 && st.hooks != nullptr) {
        read_fixed(st, swept);
        solve(st.g);
        Geometry& g = st.g;
        st.hooks->export_design(st.con, g.DM, g.FM, g.DS, g.TE, g.t);
    }
}

}  // namespace

std::string_view fixed_prompt(Quantity q) { return prompts_of(q).fixed; }
std::string_view range_prompt(Quantity q) { return prompts_of(q).range; }

void run_case_dialogue(DialogueState& st, const ModeTable& mode, std::size_t case_index) {
    const CaseTable& c = mode.cases[case_index];
    const geometry::DesignCase& d = mode.design->cases[case_index];
    const int n = mode.sweepable;
    for (;;) {
        st.con.out.record(kVaryStop);
        for (int k = 0; k < n - 1; ++k) st.con.out.record(c.menu[static_cast<std::size_t>(k)]);
        st.con.out.prompt(c.menu[static_cast<std::size_t>(n - 1)]);
        st.con.in.read(st.vary);
        if (st.vary == 0) return;
        for (int k = 0; k < n; ++k) {
            if (k + 1 != st.vary) read_fixed(st, d.prescribed[static_cast<std::size_t>(k)]);
        }
        if (st.vary >= 1 && st.vary <= n) {
            const auto k = static_cast<std::size_t>(st.vary - 1);
            sweep(st, mode, d, c, c.options[k], d.prescribed[k]);
        }
    }
}

}  // namespace dialogue
