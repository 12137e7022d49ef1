/* The interface of the STEP component, a plug-in loaded when --step is
 * asked for, so that the programs do not need OpenCASCADE to run.  Plain C
 * data: each reflector is a surface of revolution given by its meridian,
 * optionally trimmed by a cylinder or a cone, and optionally thickened. */
#ifndef REFLDSGN_STEP_PLUGIN_H
#define REFLDSGN_STEP_PLUGIN_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

#define REFLDSGN_STEP_ABI 4

/* One rational quadratic Bezier piece of a meridian, in its half plane:
 * x the distance from the axis, z along it; the shoulder weighs w. */
struct refldsgn_step_arc {
    double p0[2], p1[2], p2[2];
    double w;
};

enum refldsgn_step_trim { REFLDSGN_TRIM_NONE = 0, REFLDSGN_TRIM_CYLINDER = 1, REFLDSGN_TRIM_CONE = 2 };

struct refldsgn_step_reflector {
    const char *name;                      /* the product's name */
    const struct refldsgn_step_arc *arcs;  /* the meridian, joined end to end */
    int n_arcs;
    double origin[3], axis[3], x_dir[3];   /* the axis of revolution and the meridian's x direction */
    double back[2];                        /* a direction in the meridian plane pointing behind the surface */
    int trim;                              /* enum refldsgn_step_trim */
    double trim_origin[3], trim_axis[3];   /* cylinder: a point of its axis; cone: its apex */
    double trim_size;                      /* cylinder: radius; cone: half angle in radians */
    double trim_length;                    /* how far the trimming solid reaches along its axis */
};

struct refldsgn_step_input {
    int abi;                 /* REFLDSGN_STEP_ABI */
    const char *path;        /* the file to write */
    const char *name;        /* the file's name, for its header */
    const char *unit;        /* the file's length unit: "MM", "CM", "M", "INCH" or "FT" */
    const char *model_unit;  /* the unit of every length given ("MM", "CM", "M", "INCH" or "FT", as unit); the component
                                trims each offset reflector at a scale of its own */
    const char *description; /* a line for the file's header */
    const char *timestamp;   /* the header's time, "YYYY-MM-DDTHH:MM:SS"; NULL or empty: the time of writing */
    double thickness;        /* 0: faces; else solids of this thickness behind each face */
    const struct refldsgn_step_reflector *reflectors;
    int n_reflectors;
};

/* Writes the file; returns 0, or non-zero with a one-line message. */
typedef int (*refldsgn_write_step_fn)(const struct refldsgn_step_input *input, char *message, size_t message_size);
int refldsgn_write_step(const struct refldsgn_step_input *input, char *message, size_t message_size);

#ifdef __cplusplus
}
#endif

#endif
