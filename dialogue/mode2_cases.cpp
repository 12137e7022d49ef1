// Design mode 2, minimum blockage: seven cases, each prescribing three of
// DM, FM, LM, DS, LS and TE beside the feed diameter DF.  DRGEOB1 to
// DRGEOB7 solve them; with the feed phase centre included, DRGEOP1 to
// DRGEOP7, which also take its depth LP.  A row shows the swept value, the
// columns 2 and 3 of the case, AS, FS, column 6 of the case and LT, in
// fields of 9, 9, 10, 9, 9, 8 and 9 characters; column 6 has 3 decimals.
#include "dialogue/case_tables.hpp"

namespace dialogue {
namespace {

using namespace qty;

// The texts of each case; the quantities it prescribes, in menu order, and
// its solvers are in the geometry's case table.  Columns: 2, 3 and 6 of
// the row.
constexpr std::array<CaseTable, 7> kCases = {{
    // Case 1 prescribes DM, FM, LM.
    {.menu = {"       1 Main diameter",
              "       2 Main focal length",
              "       3 Main vertex to feed "},
     .columns = {LS, DS, TE_in_degrees},
     .options = {{
         // 1 sweeps DM
         {.given = {{{" Feed diameter:               ", DF},
                      {" Main focal length:           ", FM},
                      {" Main vertex to feed:         ", LM}}},
          .heading = {"   Main    Feed to  Subrefl. Subrefl. Subrefl.  Feed    Total",
                      " Diameter  Subrefl  Diameter    A      Focal   Subtend  Length"}},
         // 2 sweeps FM
         {.given = {{{" Feed diameter:               ", DF},
                      {" Main reflector diameter:     ", DM},
                      {" Main vertex to feed          ", LM}}},
          .heading = {"   Main    Feed to  Subrefl. Subrefl. Subrefl.  Feed    Total",
                      "   Focal   Subrefl  Diameter    A      Focal   Subtend  Length"}},
         // 3 sweeps LM
         {.given = {{{" Feed diameter:               ", DF},
                      {" Main reflector diameter:     ", DM},
                      {" Main focal length:           ", FM}}},
          .heading = {" Vertex    Feed to  Subrefl. Subrefl. Subrefl.  Feed    Total",
                      " to feed   Subrefl  Diameter    A      Focal   Subtend  Length"}},
     }}},
    // Case 2 prescribes DM, FM, TE.
    {.menu = {"       1 Main diameter",
              "       2 Main focal length",
              "       3 Feed subtended angle "},
     .columns = {LM, DS, LS},
     .options = {{
         // 1 sweeps DM
         {.given = {{{" Feed diameter:               ", DF},
                      {" Main focal length:           ", FM}}},
          .heading = {"   Main    Vertex   Subrefl. Subrefl. Subrefl. Feed to  Total",
                      " Diameter  to feed  Diameter    A      Focal   Subrefl  Length"}},
         // 2 sweeps FM
         {.given = {{{" Feed diameter:               ", DF},
                      {" Main reflector diameter:     ", DM}}},
          .heading = {"   Main    Vertex   Subrefl. Subrefl. Subrefl. Feed to  Total",
                      "   Focal   to Feed  Diameter    A      Focal   Subrefl  Length"}},
         // 3 sweeps TE
         {.given = {{{" Feed diameter:               ", DF},
                      {" Main reflector diameter:     ", DM},
                      {" Main focal length:           ", FM}}},
          .heading = {" Subtend   Vertex   Subrefl. Subrefl. Subrefl. Feed to  Total",
                      "  Angle    to Feed  Diameter    A      Focal   Subrefl  Length"},
          .fd_heading = {"  Effect.  Vertex   Subrefl. Subrefl. Subrefl. Feed to  Total",
                         "   f/D     to Feed  Diameter    A      Focal   Subrefl  Length"}},
     }}},
    // Case 3 prescribes DM, FM, DS.
    {.menu = {"       1 Main diameter",
              "       2 Main focal length",
              "       3 Subreflector diameter "},
     .columns = {LM, LS, TE_in_degrees},
     .options = {{
         // 1 sweeps DM
         {.given = {{{" Feed diameter:               ", DF},
                      {" Main focal length:           ", FM},
                      {" Subreflector diameter        ", DS}}},
          .heading = {"   Main    Vertex   Feed to  Subrefl. Subrefl.  Feed    Total",
                      " Diameter  to Feed  Subrefl.    A      Focal   Subtend  Length"}},
         // 2 sweeps FM
         {.given = {{{" Feed diameter:               ", DF},
                      {" Main reflector diameter:     ", DM},
                      {" Subreflector diameter:       ", DS}}},
          .heading = {"   Main    Vertex   Feed to  Subrefl. Subrefl.  Feed    Total",
                      "   Focal   to Feed  Subrefl.    A      Focal   Subtend  Length"}},
         // 3 sweeps DS
         {.given = {{{" Feed diameter:               ", DF},
                      {" Main reflector diameter:     ", DM},
                      {" Main focal length:           ", FM}}},
          .heading = {" Subrefl.  Vertex   Feed to  Subrefl. Subrefl.  Feed    Total",
                      " Diameter  to Feed  Subrefl.    A      Focal   Subtend  Length"}},
     }}},
    // Case 4 prescribes DM, LM, DS.
    {.menu = {"       1 Main diameter",
              "       2 Main vertex to feed",
              "       3 Subreflector diameter "},
     .columns = {FM, LS, TE_in_degrees},
     .options = {{
         // 1 sweeps DM
         {.given = {{{" Feed diameter:               ", DF},
                      {" Main vertex to feed:         ", LM},
                      {" Subreflector diameter        ", DS}}},
          .heading = {"   Main     Focal   Feed to  Subrefl. Subrefl.  Feed    Total",
                      " Diameter   Length  Subrefl.    A      Focal   Subtend  Length"}},
         // 2 sweeps LM
         {.given = {{{" Feed diameter:               ", DF},
                      {" Main reflector diameter:     ", DM},
                      {" Subreflector diameter:       ", DS}}},
          .heading = {"  Vertex    Focal   Feed to  Subrefl. Subrefl.  Feed    Total",
                      "  to feed   Length  Subrefl.    A      Focal   Subtend  Length"}},
         // 3 sweeps DS
         {.given = {{{" Feed diameter:               ", DF},
                      {" Main reflector diameter:     ", DM},
                      {" Main vertex to feed          ", LM}}},
          .heading = {" Subrefl.   Focal   Feed to  Subrefl. Subrefl.  Feed    Total",
                      " Diameter   Length  Subrefl.    A      Focal   Subtend  Length"}},
     }}},
    // Case 5 prescribes DM, DS, TE.
    {.menu = {"       1 Main diameter",
              "       2 Subreflector diameter",
              "       3 Feed subtended angle "},
     .columns = {FM, LM, LS},
     .options = {{
         // 1 sweeps DM
         {.given = {{{" Feed diameter:               ", DF},
                      {" Subreflector diameter:       ", DS}}},
          .heading = {"   Main     Focal    Vertex  Subrefl. Subrefl. Feed to  Total",
                      " Diameter   Length   to feed    A      Focal   Subrefl  Length"}},
         // 2 sweeps DS
         {.given = {{{" Feed diameter:               ", DF},
                      {" Main reflector diameter:     ", DM}}},
          .heading = {" Subrefl.   Focal    Vertex  Subrefl. Subrefl. Feed to  Total",
                      " Diameter   Length   to feed    A      Focal   Subrefl  Length"}},
         // 3 sweeps TE
         {.given = {{{" Feed diameter:               ", DF},
                      {" Main reflector diameter:     ", DM},
                      {" Subreflector diameter:       ", DS}}},
          .heading = {" Subtend    Focal    Vertex  Subrefl. Subrefl. Feed to  Total",
                      "  Angle     Length   to feed    A      Focal   Subrefl  Length"},
          .fd_heading = {"  Effect.   Focal    Vertex  Subrefl. Subrefl. Feed to  Total",
                         "   f/D      Length   to feed    A      Focal   Subrefl  Length"}},
     }}},
    // Case 6 prescribes DM, LM, TE.
    {.menu = {"       1 Main diameter",
              "       2 Main vertex to feed",
              "       3 Feed subtended angle "},
     .columns = {FM, DS, LS},
     .options = {{
         // 1 sweeps DM
         {.given = {{{" Feed diameter:               ", DF},
                      {" Main vertex to feed:         ", LM}}},
          .heading = {"   Main     Focal   Subrefl. Subrefl. Subrefl. Feed to  Total",
                      " Diameter   Length  Diameter    A      Focal   Subrefl  Length"}},
         // 2 sweeps LM
         {.given = {{{" Feed diameter:               ", DF},
                      {" Main reflector diameter:     ", DM}}},
          .heading = {"  Vertex    Focal   Subrefl. Subrefl. Subrefl. Feed to  Total",
                      "  to feed   Length  Diameter    A      Focal   Subrefl  Length"}},
         // 3 sweeps TE
         {.given = {{{" Feed diameter:               ", DF},
                      {" Main reflector diameter:     ", DM},
                      {" Main vertex to feed          ", LM}}},
          .heading = {" Subtend    Focal   Subrefl. Subrefl. Subrefl. Feed to  Total",
                      "  Angle     Length  Diameter    A      Focal   Subrefl  Length"},
          .fd_heading = {"  Effect.   Focal   Subrefl. Subrefl. Subrefl. Feed to  Total",
                         "   f/D      Length  Diameter    A      Focal   Subrefl  Length"}},
     }}},
    // Case 7 prescribes DM, LS, TE.
    {.menu = {"       1 Main diameter",
              "       2 Feed to subreflector",
              "       3 Feed subtended angle "},
     .columns = {FM, LM, DS},
     .options = {{
         // 1 sweeps DM
         {.given = {{{" Feed diameter:               ", DF},
                      {" Feed to subreflector:        ", LS}}},
          .heading = {"   Main     Focal    Vertex  Subrefl. Subrefl. Subrefl  Total",
                      " Diameter   Length   to feed    A      Focal   Diameter Length"}},
         // 2 sweeps LS
         {.given = {{{" Feed diameter:               ", DF},
                      {" Main reflector diameter:     ", DM}}},
          .heading = {"  Feed to   Focal    Vertex  Subrefl. Subrefl. Subrefl  Total",
                      "  Subrefl   Length   to feed    A      Focal   Diameter Length"}},
         // 3 sweeps TE
         {.given = {{{" Feed diameter:               ", DF},
                      {" Main reflector diameter:     ", DM},
                      {" Feed to subreflector:        ", LS}}},
          .heading = {" Subtend    Focal    Vertex  Subrefl. Subrefl. Subrefl  Total",
                      "  Angle     Length   to feed    A      Focal   Diameter Length"},
          .fd_heading = {"  Effect.   Focal    Vertex  Subrefl. Subrefl. Subrefl  Total",
                         "   f/D      Length   to feed    A      Focal   Diameter Length"}},
     }}},
}};

constexpr RowField kRow[] = {
    {Source::Swept, 9, 4}, {Source::Column2, 9, 4}, {Source::Column3, 10, 4}, {Source::AS, 9, 4},
    {Source::FS, 9, 4},    {Source::Column6, 8, 3}, {Source::LT, 9, 4},
};

}  // namespace

const ModeTable kMode2 = {.design = &geometry::kMinimumBlockage,
                          .cases = kCases, .sweepable = 3, .row = kRow, .feed_questions = true};

}  // namespace dialogue
