// The host functions: the whole vocabulary of the event scripts. Each reads
// its arguments by position (a missing argument or one that is not a number
// reads as 0, one that is not a text as an empty text), changes the game's
// state and either answers at once or sets a wait state, after which the
// script yields until the game resumes it. None raises a script error.
#ifndef MOONLITCAIRN_SCRIPTHOST_H
#define MOONLITCAIRN_SCRIPTHOST_H

#include <stdint.h>

struct lua_State;

// Registers the host functions as globals of the state, in their fixed order.
void RegisterScriptHostFunctions(lua_State* state);

// The global names, in registration order.
int GetScriptHostFunctionCount();
const char* GetScriptHostFunctionName(int index);

// A script number as an integer: truncated toward zero; NaN reads as 0 and
// values beyond the int32 range stop at its ends.
int32_t ScriptNumberToInt(double value);

#endif
