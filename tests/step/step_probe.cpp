// step_probe FILE UNIT: reads a STEP file with OpenCASCADE, lengths in UNIT
// (MM, M, IN, FT), and prints what the tests measure: the products, the
// area of every face, the volume of every solid and the bounding box.
#include <cstdio>

#include <BRepBndLib.hxx>
#include <BRepGProp.hxx>
#include <Bnd_Box.hxx>
#include <GProp_GProps.hxx>
#include <Interface_Static.hxx>
#include <Message.hxx>
#include <Message_Messenger.hxx>
#include <Message_PrinterOStream.hxx>
#include <STEPControl_Controller.hxx>
#include <STEPControl_Reader.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>

#if defined(__SANITIZE_ADDRESS__)
// OpenCASCADE (the STEP component) keeps a few one-time allocations to the
// end of the process: not leaks of ours.
extern "C" const char* __lsan_default_suppressions() { return "leak:libTK\n"; }
extern "C" const char* __lsan_default_options() { return "print_suppressions=0"; }
#endif

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: step_probe FILE UNIT\n");
        return 2;
    }
    Message::DefaultMessenger()->RemovePrinters(STANDARD_TYPE(Message_PrinterOStream));
    STEPControl_Controller::Init();
    if (!Interface_Static::SetCVal("xstep.cascade.unit", argv[2])) {
        std::fprintf(stderr, "step_probe: no unit %s\n", argv[2]);
        return 2;
    }
    STEPControl_Reader reader;
    if (reader.ReadFile(argv[1]) != IFSelect_RetDone) {
        std::fprintf(stderr, "step_probe: cannot read %s\n", argv[1]);
        return 1;
    }
    const int roots = reader.TransferRoots();
    std::printf("roots %d\n", roots);
    for (int i = 1; i <= reader.NbShapes(); ++i) {
        const TopoDS_Shape shape = reader.Shape(i);
        std::printf("shape %d\n", i);
        for (TopExp_Explorer f(shape, TopAbs_FACE); f.More(); f.Next()) {
            GProp_GProps props;
            BRepGProp::SurfaceProperties(f.Current(), props, 1e-14);
            std::printf("face %.17g\n", props.Mass());
        }
        for (TopExp_Explorer s(shape, TopAbs_SOLID); s.More(); s.Next()) {
            GProp_GProps props;
            BRepGProp::VolumeProperties(s.Current(), props, 1e-14);
            std::printf("solid %.17g\n", props.Mass());
        }
        Bnd_Box box;
        BRepBndLib::AddOptimal(shape, box, false, false);
        double x0, y0, z0, x1, y1, z1;
        box.Get(x0, y0, z0, x1, y1, z1);
        std::printf("box %.17g %.17g %.17g %.17g %.17g %.17g\n", x0, y0, z0, x1, y1, z1);
    }
    return 0;
}
