// Design mode 1, no condition: seven cases, each prescribing three of the
// five lengths and the feed half subtended angle TE, solved by DRGEON1 to
// DRGEON7.  A row shows the swept value, the two columns of the case, AS,
// FS and LT, in fields of 9, 9, 12, 11, 10 and 9 characters.
#include "dialogue/case_tables.hpp"

namespace dialogue {
namespace {

using namespace qty;

// The texts of each case; the quantities it prescribes, in menu order, and
// its solver are in the geometry's case table.
constexpr std::array<CaseTable, 7> kCases = {{
    // Case 1 prescribes DM, LM, LS, TE; DRGEON1 solves the rest.
    {.menu = {"       1 Main diameter",
              "       2 Main Vertex to Feed",
              "       3 Feed to subreflector",
              "       4 Feed half subtended angle "},
     .columns = {FM, DS},
     .options = {{
         // 1 sweeps DM
         {.given = {{{" Main vertex to feed:         ", LM},
                      {" Feed to subreflector vertex: ", LS}}},
          .heading = {"   Main     Focal   Subreflector  Subrefl.  Subrefl.  Total",
                      " Diameter   Length    Diameter       A       Focal    Length"}},
         // 2 sweeps LM
         {.given = {{{" Main reflector diameter:     ", DM},
                      {" Feed to subreflector vertex: ", LS}}},
          .heading = {"  Vertex    Focal   Subreflector  Subrefl.  Subrefl.  Total",
                      "  to feed   Length    Diameter       A       Focal    Length"}},
         // 3 sweeps LS
         {.given = {{{" Main reflector diameter:     ", DM},
                      {" Main vertex to feed:         ", LM}}},
          .heading = {"  Feed to   Focal   Subreflector  Subrefl.  Subrefl.  Total",
                      "  Subrefl.  Length    Diameter       A       Focal    Length"}},
         // 4 sweeps TE
         {.given = {{{" Main reflector diameter:     ", DM},
                      {" Main vertex to feed:         ", LM},
                      {" Feed to subreflector vertex: ", LS}}},
          .heading = {"  Subtend.  Focal   Subreflector  Subrefl.  Subrefl.  Total",
                      "   Angle    Length    Diameter       A       Focal    Length"},
          .fd_heading = {"  Effect.   Focal   Subreflector  Subrefl.  Subrefl.  Total",
                         "   f/D      Length    Diameter       A       Focal    Length"}},
     }}},
    // Case 2 prescribes DM, FM, LM, TE; DRGEON2 solves the rest.
    {.menu = {"       1 Main diameter",
              "       2 Main focal length",
              "       3 Main vertex to feed",
              "       4 Feed half subtended angle "},
     .columns = {LS, DS},
     .options = {{
         // 1 sweeps DM
         {.given = {{{" Main focal length:           ", FM},
                      {" Main vertex to feed:         ", LM}}},
          .heading = {"   Main    Feed to  Subreflector  Subrefl.  Subrefl.  Total",
                      " Diameter  Subrefl    Diameter       A       Focal    Length"}},
         // 2 sweeps FM
         {.given = {{{" Main reflector diameter:     ", DM},
                      {" Main vertex to feed          ", LM}}},
          .heading = {"   Focal   Feed to  Subreflector  Subrefl.  Subrefl.  Total",
                      "   Length  Subrefl    Diameter       A       Focal    Length"}},
         // 3 sweeps LM
         {.given = {{{" Main reflector diameter:     ", DM},
                      {" Main focal length:           ", FM}}},
          .heading = {"  Vertex   Feed to  Subreflector  Subrefl.  Subrefl.  Total",
                      "  to Feed  Subrefl    Diameter       A       Focal    Length"}},
         // 4 sweeps TE
         {.given = {{{" Main reflector diameter:     ", DM},
                      {" Main focal length:           ", FM},
                      {" Main vertex to feed:         ", LM}}},
          .heading = {"  Subtend. Feed to  Subreflector  Subrefl.  Subrefl.  Total",
                      "   Angle   Subrefl    Diameter       A       Focal    Length"},
          .fd_heading = {"  Effect.  Feed to  Subreflector  Subrefl.  Subrefl.  Total",
                         "   f/D     Subrefl    Diameter       A       Focal    Length"}},
     }}},
    // Case 3 prescribes DM, FM, LS, TE; DRGEON3 solves the rest.
    {.menu = {"       1 Main diameter",
              "       2 Main focal length",
              "       3 Feed to subreflector vertex",
              "       4 Feed half subtended angle "},
     .columns = {LM, DS},
     .options = {{
         // 1 sweeps DM
         {.given = {{{" Main focal length:           ", FM},
                      {" Feed to subreflector vertex: ", LS}}},
          .heading = {"   Main    Vertex   Subreflector  Subrefl.  Subrefl.  Total",
                      " Diameter  to feed    Diameter       A       Focal    Length"}},
         // 2 sweeps FM
         {.given = {{{" Main reflector diameter:     ", DM},
                      {" Feed to subreflector vertex: ", LS}}},
          .heading = {"   Focal   Vertex   Subreflector  Subrefl.  Subrefl.  Total",
                      "   Length  to feed    Diameter       A       Focal    Length"}},
         // 3 sweeps LS
         {.given = {{{" Main reflector diameter:     ", DM},
                      {" Main focal length:           ", FM}}},
          .heading = {"  Feed to  Vertex   Subreflector  Subrefl.  Subrefl.  Total",
                      "  Subrefl. to feed    Diameter       A       Focal    Length"}},
         // 4 sweeps TE
         {.given = {{{" Main reflector diameter:     ", DM},
                      {" Main focal length:           ", FM},
                      {" Feed to subreflector vertex: ", LS}}},
          .heading = {"  Subtend. Vertex   Subreflector  Subrefl.  Subrefl.  Total",
                      "   Angle   to feed    Diameter       A       Focal    Length"},
          .fd_heading = {"  Effect.  Vertex   Subreflector  Subrefl.  Subrefl.  Total",
                         "   f/D     to feed    Diameter       A       Focal    Length"}},
     }}},
    // Case 4 prescribes FM, DS, LS, TE; DRGEON4 solves the rest.
    {.menu = {"       1 Main focal length",
              "       2 Subreflector diameter",
              "       3 Feed to subreflector vertex",
              "       4 Feed half subtended angle "},
     .columns = {DM, LM},
     .options = {{
         // 1 sweeps FM
         {.given = {{{" Subreflector diameter:       ", DS},
                      {" Feed to subreflector vertex: ", LS}}},
          .heading = {"   Focal     Main      Vertex     Subrefl.  Subrefl.  Total",
                      "   Length  Diameter    to feed       A       Focal    Length"}},
         // 2 sweeps DS
         {.given = {{{" Main focal length:           ", FM},
                      {" Feed to subreflector vertex: ", LS}}},
          .heading = {" Subrefl.    Main      Vertex     Subrefl.  Subrefl.  Total",
                      " Diameter  Diameter    to feed       A       Focal    Length"}},
         // 3 sweeps LS
         {.given = {{{" Main reflector focal length: ", FM},
                      {" Subreflector diameter:       ", DS}}},
          .heading = {"  Feed to    Main      Vertex     Subrefl.  Subrefl.  Total",
                      "  Subrefl. Diameter    to feed       A       Focal    Length"}},
         // 4 sweeps TE
         {.given = {{{" Main focal length:           ", FM},
                      {" Subreflector diameter:       ", DS},
                      {" Feed to subreflector vertex: ", LS}}},
          .heading = {"  Subtend.   Main      Vertex     Subrefl.  Subrefl.  Total",
                      "   Angle   Diameter    to feed       A       Focal    Length"},
          .fd_heading = {"  Effect.    Main      Vertex     Subrefl.  Subrefl.  Total",
                         "   f/D     Diameter    to feed       A       Focal    Length"}},
     }}},
    // Case 5 prescribes LM, DS, LS, TE; DRGEON5 solves the rest.
    {.menu = {"       1 Main vertex to feed",
              "       2 Subreflector diameter",
              "       3 Feed to subreflector vertex",
              "       4 Feed half subtended angle "},
     .columns = {DM, FM},
     .options = {{
         // 1 sweeps LM
         {.given = {{{" Subreflector diameter:       ", DS},
                      {" Feed to subreflector vertex: ", LS}}},
          .heading = {"  Vertex     Main       Main      Subrefl.  Subrefl.  Total",
                      "  to feed  Diameter     Focal        A       Focal    Length"}},
         // 2 sweeps DS
         {.given = {{{" Main vertex to feed:         ", LM},
                      {" Feed to subreflector vertex: ", LS}}},
          .heading = {" Subrefl.    Main       Main      Subrefl.  Subrefl.  Total",
                      " Diameter  Diameter     Focal        A       Focal    Length"}},
         // 3 sweeps LS
         {.given = {{{" Main vertex to feed:         ", LM},
                      {" Subreflector diameter:       ", DS}}},
          .heading = {"  Feed to    Main       Focal     Subrefl.  Subrefl.  Total",
                      "  Subrefl. Diameter     Length       A       Focal    Length"}},
         // 4 sweeps TE
         {.given = {{{" Main vertex to feed:         ", LM},
                      {" Subreflector diameter:       ", DS},
                      {" Feed to subreflector vertex: ", LS}}},
          .heading = {"  Subtend.   Main       Focal     Subrefl.  Subrefl.  Total",
                      "   Angle   Diameter     Length       A       Focal    Length"},
          .fd_heading = {"  Effect.    Main       Focal     Subrefl.  Subrefl.  Total",
                         "   f/D     Diameter     Length       A       Focal    Length"}},
     }}},
    // Case 6 prescribes DM, FM, DS, TE; DRGEON6 solves the rest.
    {.menu = {"       1 Main diameter",
              "       2 Main focal length",
              "       3 Subreflector diameter",
              "       4 Feed half subtended angle "},
     .columns = {LM, LS},
     .options = {{
         // 1 sweeps DM
         {.given = {{{" Main reflector focal length: ", FM},
                      {" Subreflector diameter:       ", DS}}},
          .heading = {"   Main     Vertex     Feed to    Subrefl.  Subrefl.  Total",
                      " Diameter   to feed    Subrefl.      A       Focal    Length"}},
         // 2 sweeps FM
         {.given = {{{" Main reflector diameter:     ", DM},
                      {" Subreflector diameter:       ", DS}}},
          .heading = {"   Focal   Vertex     Feed to     Subrefl.  Subrefl.  Total",
                      "   Length  to feed    Subrefl.       A       Focal    Length"}},
         // 3 sweeps DS
         {.given = {{{" Main reflector diameter:     ", DM},
                      {" Main focal length:           ", FM}}},
          .heading = {" Subrefl.   Vertex    Feed to     Subrefl.  Subrefl.  Total",
                      " Diameter   to feed   Subrefl.       A       Focal    Length"}},
         // 4 sweeps TE
         {.given = {{{" Main reflector diameter:     ", DM},
                      {" Main focal length:           ", FM},
                      {" Subreflector diameter:       ", DS}}},
          .heading = {"  Subtend.  Vertex     Feed to    Subrefl.  Subrefl.  Total",
                      "   Angle    to feed    Subrefl.      A       Focal    Length"},
          .fd_heading = {"  Effect.   Vertex     Feed to    Subrefl.  Subrefl.  Total",
                         "   f/D      to feed    Subrefl.      A       Focal    Length"}},
     }}},
    // Case 7 prescribes DM, DS, LS, TE; DRGEON7 solves the rest.
    {.menu = {"       1 Main diameter",
              "       2 Subreflector diameter",
              "       3 Feed to subreflector",
              "       4 Feed half subtended angle "},
     .columns = {FM, LM},
     .options = {{
         // 1 sweeps DM
         {.given = {{{" Subreflector diameter:       ", DS},
                      {" Feed to subreflector vertex: ", LS}}},
          .heading = {"   Main      Main      Vertex     Subrefl.  Subrefl.  Total",
                      " Diameter    Focal     to feed       A       Focal    Length"}},
         // 2 sweeps DS
         {.given = {{{" Main reflector diameter:     ", DM},
                      {" Feed to subreflector vertex: ", LS}}},
          .heading = {" Subrefl.    Main     Vertex      Subrefl.  Subrefl.  Total",
                      " Diameter    Focal    to feed        A       Focal    Length"}},
         // 3 sweeps LS
         {.given = {{{" Main reflector diameter:     ", DM},
                      {" Subreflector diameter:       ", DS}}},
          .heading = {"  Feed to   Main      Vertex      Subrefl.  Subrefl.  Total",
                      "  Subrefl.  Focal     to feed        A       Focal    Length"}},
         // 4 sweeps TE
         {.given = {{{" Main reflector diameter:     ", DM},
                      {" Subreflector diameter:       ", DS},
                      {" Feed to subreflector vertex: ", LS}}},
          .heading = {"  Subtend.   Main       Vertex    Subrefl.  Subrefl.  Total",
                      "   Angle     Focal      to feed      A       Focal    Length"},
          .fd_heading = {"  Effect.    Main      Vertex     Subrefl.  Subrefl.  Total",
                         "   f/D       Focal     to feed       A       Focal    Length"}},
     }}},
}};

constexpr RowField kRow[] = {
    {Source::Swept, 9, 4}, {Source::Column2, 9, 4}, {Source::Column3, 12, 4},
    {Source::AS, 11, 4},   {Source::FS, 10, 4},     {Source::LT, 9, 4},
};

}  // namespace

const ModeTable kMode1 = {.design = &geometry::kNoCondition,
                          .cases = kCases, .sweepable = 4, .row = kRow, .feed_questions = false};

}  // namespace dialogue
