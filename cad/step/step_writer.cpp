// The STEP component: each reflector's meridian as a rational B-spline
// (exact conic arcs), revolved about its axis into a face, or with a
// thickness into a solid (the closed cross-section: the meridian, its
// offset behind the face and the normals at its ends), trimmed for an
// offset design by the aperture's cylinder or the feed cone, and written as
// STEP AP214, one product each.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include <APIHeaderSection_MakeHeader.hxx>
#include <BRepAlgoAPI_Common.hxx>
#include <BRepBuilderAPI_MakeEdge.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBuilderAPI_MakeWire.hxx>
#include <BRepBuilderAPI_Transform.hxx>
#include <BRepPrimAPI_MakeCone.hxx>
#include <BRepPrimAPI_MakeCylinder.hxx>
#include <BRepPrimAPI_MakeRevol.hxx>
#include <GeomConvert_ApproxCurve.hxx>
#include <Geom_BSplineCurve.hxx>
#include <Geom_OffsetCurve.hxx>
#include <Interface_Static.hxx>
#include <Message.hxx>
#include <Message_Messenger.hxx>
#include <Message_PrinterOStream.hxx>
#include <STEPCAFControl_Writer.hxx>
#include <STEPControl_Controller.hxx>
#include <TCollection_HAsciiString.hxx>
#include <TDataStd_Name.hxx>
#include <TDocStd_Document.hxx>
#include <XCAFApp_Application.hxx>
#include <XCAFDoc_DocumentTool.hxx>
#include <XCAFDoc_ShapeTool.hxx>
#include <Standard_Failure.hxx>
#include <TColStd_Array1OfInteger.hxx>
#include <TColStd_Array1OfReal.hxx>
#include <TColgp_Array1OfPnt.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Shape.hxx>
#include <gp_Ax1.hxx>
#include <gp_Ax2.hxx>
#include <gp_Pnt.hxx>
#include <gp_Trsf.hxx>

#include "cad/step_plugin.h"

namespace {

class Failure {
public:
    explicit Failure(std::string m) : message(std::move(m)) {}
    std::string message;
};

gp_Pnt at(const refldsgn_step_reflector& r, const double p[2]) {
    return gp_Pnt(r.origin[0] + p[0] * r.x_dir[0] + p[1] * r.axis[0], r.origin[1] + p[0] * r.x_dir[1] + p[1] * r.axis[1],
                  r.origin[2] + p[0] * r.x_dir[2] + p[1] * r.axis[2]);
}
gp_Vec along(const refldsgn_step_reflector& r, const double d[2]) {
    return gp_Vec(d[0] * r.x_dir[0] + d[1] * r.axis[0], d[0] * r.x_dir[1] + d[1] * r.axis[1],
                  d[0] * r.x_dir[2] + d[1] * r.axis[2]);
}

// The meridian: Bézier pieces joined end to end, knots 0 0 0 1 1 ... n n n.
Handle(Geom_BSplineCurve) meridian(const refldsgn_step_reflector& r) {
    const int n = r.n_arcs;
    TColgp_Array1OfPnt poles(1, 2 * n + 1);
    TColStd_Array1OfReal weights(1, 2 * n + 1), knots(1, n + 1);
    TColStd_Array1OfInteger mults(1, n + 1);
    for (int k = 0; k < n; ++k) {
        const refldsgn_step_arc& a = r.arcs[k];
        poles(2 * k + 1) = at(r, a.p0);
        poles(2 * k + 2) = at(r, a.p1);
        poles(2 * k + 3) = at(r, a.p2);
        weights(2 * k + 1) = 1;
        weights(2 * k + 2) = a.w;
        weights(2 * k + 3) = 1;
    }
    for (int k = 0; k <= n; ++k) {
        knots(k + 1) = k;
        mults(k + 1) = k == 0 || k == n ? 3 : 2;
    }
    return new Geom_BSplineCurve(poles, weights, knots, mults, 2);
}

TopoDS_Shape built(const refldsgn_step_reflector& r, double thickness) {
    const Handle(Geom_BSplineCurve) curve = meridian(r);
    const gp_Ax1 axis(gp_Pnt(r.origin[0], r.origin[1], r.origin[2]), gp_Dir(r.axis[0], r.axis[1], r.axis[2]));
    TopoDS_Shape shape;
    if (thickness <= 0) {
        shape = BRepPrimAPI_MakeRevol(BRepBuilderAPI_MakeEdge(curve).Edge(), axis).Shape();
    } else {
        // The back: the meridian offset by the thickness on the side of
        // r.back, as a B-spline within a part in 10^12 of the true offset.
        const gp_Dir normal_of_plane = gp_Vec(r.x_dir[0], r.x_dir[1], r.x_dir[2]).Crossed(
            gp_Vec(r.axis[0], r.axis[1], r.axis[2]));
        gp_Pnt p;
        gp_Vec d;
        curve->D1(curve->FirstParameter(), p, d);
        const double side = d.Crossed(gp_Vec(normal_of_plane)).Dot(along(r, r.back)) > 0 ? 1 : -1;
        const Handle(Geom_OffsetCurve) offset = new Geom_OffsetCurve(curve, side * thickness, normal_of_plane);
        const double size = curve->Pole(1).Distance(curve->Pole(curve->NbPoles())) + thickness;
        GeomConvert_ApproxCurve approx(offset, 1e-12 * size, GeomAbs_C2, 1000, 9);
        if (!approx.IsDone()) throw Failure("the back of the " + std::string(r.name) + " could not be approximated");
        const Handle(Geom_BSplineCurve) back = approx.Curve();
        const gp_Pnt a0 = curve->StartPoint(), a1 = curve->EndPoint(), b0 = back->StartPoint(), b1 = back->EndPoint();
        BRepBuilderAPI_MakeWire wire;
        wire.Add(BRepBuilderAPI_MakeEdge(curve, a0, a1).Edge());
        wire.Add(BRepBuilderAPI_MakeEdge(a1, b1).Edge());
        wire.Add(BRepBuilderAPI_MakeEdge(back, b0, b1).Edge());
        wire.Add(BRepBuilderAPI_MakeEdge(b0, a0).Edge());
        if (!wire.IsDone()) throw Failure("the cross-section of the " + std::string(r.name) + " is not closed");
        const TopoDS_Face section = BRepBuilderAPI_MakeFace(wire.Wire(), true).Face();
        shape = BRepPrimAPI_MakeRevol(section, axis).Shape();
    }
    if (r.trim == REFLDSGN_TRIM_NONE) return shape;
    const gp_Ax2 frame(gp_Pnt(r.trim_origin[0], r.trim_origin[1], r.trim_origin[2]),
                       gp_Dir(r.trim_axis[0], r.trim_axis[1], r.trim_axis[2]));
    const TopoDS_Shape tool =
        r.trim == REFLDSGN_TRIM_CYLINDER
            ? BRepPrimAPI_MakeCylinder(frame, r.trim_size, r.trim_length).Shape()
            : BRepPrimAPI_MakeCone(frame, 0, r.trim_length * std::tan(r.trim_size), r.trim_length).Shape();
    BRepAlgoAPI_Common common(shape, tool);
    if (!common.IsDone() || common.HasErrors()) throw Failure("the " + std::string(r.name) + " could not be trimmed");
    if (!TopExp_Explorer(common.Shape(), TopAbs_FACE).More())
        throw Failure(std::string("nothing of the ") + r.name + (r.trim == REFLDSGN_TRIM_CYLINDER ? " lies in the aperture" : " lies in the feed cone"));
    return common.Shape();
}

// The kernel's tolerance is a fixed length (1e-7) in the unit it works in:
// the intersection curves that trim a reflector lie only as close to the
// true rim as that length is small beside the reflector, and on models much
// larger than ten thousand of it the trimming of a solid now and then fails.
// A trimmed reflector is therefore built at the power of ten that makes its
// meridian 10,000 to 100,000 long, or 1,000 to 10,000 for a solid, and
// scaled back to the unit of the lengths given; its area is then within
// about 1e-11 of the true one (a few parts in 10^9 at a length of 10). A
// surface of revolution needs no intersection and is built as given.
TopoDS_Shape reflector(const refldsgn_step_reflector& r, double thickness) {
    if (r.trim == REFLDSGN_TRIM_NONE) return built(r, thickness);
    double lo[2] = {HUGE_VAL, HUGE_VAL}, hi[2] = {-HUGE_VAL, -HUGE_VAL};
    for (int k = 0; k < r.n_arcs; ++k)
        for (const double* p : {r.arcs[k].p0, r.arcs[k].p1, r.arcs[k].p2})
            for (int i = 0; i < 2; ++i) {
                lo[i] = std::min(lo[i], p[i]);
                hi[i] = std::max(hi[i], p[i]);
            }
    const double size = std::max(hi[0] - lo[0], hi[1] - lo[1]);
    if (!(size > 0) || !std::isfinite(size)) return built(r, thickness);
    const double f = std::pow(10.0, (thickness > 0 ? 3 : 4) - std::floor(std::log10(size)));
    std::vector<refldsgn_step_arc> arcs(r.arcs, r.arcs + r.n_arcs);
    for (refldsgn_step_arc& a : arcs)
        for (double* v : {&a.p0[0], &a.p0[1], &a.p1[0], &a.p1[1], &a.p2[0], &a.p2[1]}) *v *= f;
    refldsgn_step_reflector s = r;
    s.arcs = arcs.data();
    for (int i = 0; i < 3; ++i) {
        s.origin[i] *= f;
        s.trim_origin[i] *= f;
    }
    if (s.trim == REFLDSGN_TRIM_CYLINDER) s.trim_size *= f;
    s.trim_length *= f;
    gp_Trsf back;
    back.SetScale(gp_Pnt(0, 0, 0), 1 / f);
    return BRepBuilderAPI_Transform(built(s, thickness * f), back, true).Shape();
}


}  // namespace

extern "C" int refldsgn_write_step(const refldsgn_step_input* in, char* message, size_t size) {
    auto fail = [&](const std::string& text) {
        std::snprintf(message, size, "%s", text.c_str());
        return 1;
    };
    if (in == nullptr || in->abi != REFLDSGN_STEP_ABI) return fail("the STEP component is of another version");
    try {
        // No banners or traces on the program's output.
        Message::DefaultMessenger()->RemovePrinters(STANDARD_TYPE(Message_PrinterOStream));
        // The writer takes its length scale when it is made: the units first,
        // once the translator's settings exist.
        STEPControl_Controller::Init();
        if (!Interface_Static::SetCVal("xstep.cascade.unit", in->model_unit) ||
            !Interface_Static::SetCVal("write.step.unit", in->unit) ||
            !Interface_Static::SetCVal("write.step.schema", "AP214IS"))
            return fail(std::string("OpenCASCADE takes no unit ") + in->unit);
        // One document, a named part for each reflector.
        Handle(TDocStd_Document) doc;
        XCAFApp_Application::GetApplication()->NewDocument("MDTV-XCAF", doc);
        const Handle(XCAFDoc_ShapeTool) parts = XCAFDoc_DocumentTool::ShapeTool(doc->Main());
        for (int k = 0; k < in->n_reflectors; ++k) {
            const refldsgn_step_reflector& r = in->reflectors[k];
            const TDF_Label label = parts->AddShape(reflector(r, in->thickness), false);
            TDataStd_Name::Set(label, TCollection_ExtendedString(r.name, true));
        }
        STEPCAFControl_Writer writer;
        bool done = writer.Transfer(doc, STEPControl_AsIs);
        if (done) {
            APIHeaderSection_MakeHeader header(writer.ChangeWriter().Model());
            header.SetName(new TCollection_HAsciiString(in->name));
            header.SetDescriptionValue(1, new TCollection_HAsciiString(in->description));
            header.SetAuthorValue(1, new TCollection_HAsciiString(""));
            header.SetOrganizationValue(1, new TCollection_HAsciiString(""));
            header.SetOriginatingSystem(new TCollection_HAsciiString("refldsgn-solve " REFLDSGN_VERSION));
            header.SetAuthorisation(new TCollection_HAsciiString(""));
            if (in->timestamp != nullptr && in->timestamp[0] != '\0')
                header.SetTimeStamp(new TCollection_HAsciiString(in->timestamp));
            done = writer.Write(in->path) == IFSelect_RetDone;
        }
        XCAFApp_Application::GetApplication()->Close(doc);
        if (!done) return fail("the STEP file could not be written");
        return 0;
    } catch (const Failure& f) {
        return fail(f.message);
    } catch (const Standard_Failure& f) {
        return fail(std::string("OpenCASCADE: ") + (f.GetMessageString() != nullptr ? f.GetMessageString() : "failure"));
    } catch (const std::exception& e) {
        return fail(e.what());
    }
}
