// contract/kvs.h - the contract that the module and the host both compile against: the host's
// extension programming interface, ResultBuffer and its type and status codes.
//
// The module reaches the host only through the kvs_* routines declared here. They have C
// linkage: the module leaves them undefined and the host executable defines and exports them.
#ifndef VECTRIN_CONTRACT_KVS_H
#define VECTRIN_CONTRACT_KVS_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// Type codes of a ResultBuffer. Object records returned by kvs_entget carry the DXF group
// code in the type field instead (0, 10, 40, -1, ...).
enum {
    KVS_RTREAL = 5001,     // double
    KVS_RTPOINT = 5002,    // 2D point, held in three doubles
    KVS_RTSHORT = 5003,    // 16-bit integer
    KVS_RTANG = 5004,      // angle, a double in radians
    KVS_RTSTR = 5005,      // text
    KVS_RTENAME = 5006,    // object name
    KVS_RTORINT = 5008,    // orientation, a double in radians
    KVS_RT3DPOINT = 5009,  // 3D point
    KVS_RTLONG = 5010,     // 32-bit integer
    KVS_RTNIL = 5019       // nil, in a list of values
};

// Record types the host hands out only for a Quillet value that is neither an atom the module
// reads nor a point (kvs_getsym): the module accepts none of them.
enum {
    KVS_RTLB = 5016,     // a list begins: its elements follow, up to the matching KVS_RTLE
    KVS_RTLE = 5017,     // the list begun last ends
    KVS_RTSYMBOL = 5022  // a symbol, T among them; the value's text is its name
};

// Status codes returned by host calls.
enum {
    KVS_RTNORM = 5100,    // success
    KVS_RTERROR = -5001,  // a failure
    KVS_RTCAN = -5002,    // cancelled by the user
    KVS_RTREJ = -5003     // declined or refused
};

// Coordinate-system codes for kvs_trans (in a KVS_RTSHORT record).
enum { KVS_WORLD = 0, KVS_UCS = 1, KVS_DISPLAY = 2 };

// An object name: an opaque pair of 64-bit integers.
typedef int64_t kvs_name[2];

#pragma pack(push, 1)
// The host's linked record of typed values.
typedef struct ResultBuffer {
    struct ResultBuffer* next;
    int16_t type;
    union {
        double real;
        double point[3];
        int16_t shortInt;
        int32_t longInt;
        char* text;
        int64_t name[2];
    } value;
} ResultBuffer;
#pragma pack(pop)

// A function handler registered with kvs_regfunc; its result is ignored by the host.
typedef int (*KvsHandler)(void);

// ---- identity and registration ----
const char* kvs_getappname(void);
int kvs_defun(const char* name, int functionCode);
int kvs_regfunc(KvsHandler handler, int functionCode);
int kvs_getfuncode(void);

// ---- arguments and results ----
ResultBuffer* kvs_getargs(void);  // owned by the host for the duration of the call
int kvs_retnil(void);
int kvs_retreal(double value);
int kvs_retint(int value);
int kvs_retpoint(const double point[3]);

// ---- user input ----
int kvs_initget(int flags, const char* keywords);
// Reads one answer into text, NUL-terminated, never more than textSize bytes in all.
int kvs_getstring(int allowBlanks, const char* prompt, char* text, size_t textSize);
int kvs_getpoint(const double* basePoint, const char* prompt, double point[3]);

// ---- Quillet symbols and system variables ----
int kvs_getsym(const char* name, ResultBuffer** value);  // release the list with kvs_relrb
int kvs_putsym(const char* name, const ResultBuffer* value);
int kvs_relrb(ResultBuffer* list);
int kvs_getvar(const char* name, ResultBuffer* result);  // a text result is freed with korv_free
int kvs_setvar(const char* name, const ResultBuffer* value);
void korv_free(void* memory);

// ---- conversions and geometry ----
int kvs_cvunit(double value, const char* fromUnit, const char* toUnit, double* result);
int kvs_trans(const double point[3], const ResultBuffer* from, const ResultBuffer* to,
              int displacement, double result[3]);
double kvs_angle(const double from[3], const double to[3]);
int kvs_inters(const double from1[3], const double to1[3], const double from2[3],
               const double to2[3], int bounded, double result[3]);

// ---- the drawing ----
int kvs_osnap(const double point[3], const char* mode, double result[3]);
int kvs_entsel(const char* prompt, kvs_name name, double point[3]);
// matrix: the block-to-world map as four points (x axis, y axis, z axis, origin).
int kvs_nentsel(const char* prompt, kvs_name name, double point[3], double matrix[4][3],
                ResultBuffer** containers);
ResultBuffer* kvs_entget(const kvs_name name);        // release the list with kvs_relrb
int kvs_entnext(const kvs_name name, kvs_name next);  // name NULL: the first object

// ---- characters and output ----
int kvs_isalpha(int c);
int kvs_isalnum(int c);
int kvs_isdigit(int c);
int kvs_toupper(int c);
int kvs_printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
void hmod_abort(const char* format, ...) __attribute__((format(printf, 1, 2)));

// ---- the module's exports: the only symbols the module's file makes visible ----
#define KVS_MODULE_EXPORT __attribute__((visibility("default")))
KVS_MODULE_EXPORT int hmodEntryPoint(unsigned message);
KVS_MODULE_EXPORT long hmodGetApiVersion(void);
KVS_MODULE_EXPORT int _SethmodPtp(void* hostData);

#define KVS_API_VERSION 0xE0000L

#ifdef __cplusplus
}
#endif

#endif
