// The scope of one subroutine call: the copies of the subroutine's parameters and the binding of
// the call's arguments to them (by reference or by value, by the parameter's type).
#pragma once
#include "kestrun.h"

namespace kestrun {

// Makes the scope head of a call (an empty record with frameMarker set) followed by a copy of
// each parameter of the template that templateHead starts: name, type, count, capacity,
// rowLength, aux, dims, frameMarker, isBorrowed and isArray, with zeroed storage of its own when
// the parameter has storage. Null with errorCode 2 when memory runs out (nothing is left
// allocated).
Variable* makeParameterScope(Kestrun& k, const Variable* templateHead);

// Binds arguments 1.. of st to the parameters after head, in order, while both exist; extra
// arguments are ignored and are not evaluated. Each argument is fetched in the caller's scope.
// Afterwards every STRING parameter that received nothing gets an empty string of its own, so
// string handlers never meet a null text; other parameters without storage stay without (reads
// give 0, stores fail with 11). False with errorCode set at the first argument that cannot be
// bound (14 or 62, or the fetch's error).
bool bindArguments(Kestrun& k, Statement* st, Variable* head);

}  // namespace kestrun
