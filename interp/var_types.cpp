#include "kestrun.h"

namespace kestrun {

const VarTypeInfo kVarTypes[kVarTypeCount] = {
    {"STRING", 1, "%s"},     {"CHAR", 1, "%c"},      {"INT", 4, "%d "},      {"FLOAT", 4, "%.2f "},
    {"ARRAY_0", 0, "%%"},    {"MEMORY", 4, "%p "},   {"FILE", 4, "%%"},      {"SYSTEM_0", 0, ""},
    {"LABEL_0", 0, ""},      {"WINDOW", 4, "%p "},   {"DIALOG", 4, "%p "},   {"BFILE", 4, "%p "},
    {"ISTRING", 1, "%s"},    {"WORD", 2, "%d"},      {"DOUBLE", 8, "%.2f"},  {"USER_0", 4, "%p "},
    {"POINTER", 4, "%p "},   {"INT64", 8, "%I64d "}, {"UINT64", 8, "%I64u "}, {"UINT", 4, "%u "},
};

}  // namespace kestrun
