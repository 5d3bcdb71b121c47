#include "script/scripts.h"

#include "script/compiler.h"
#include "script/interpreter.h"
#include "script/sdatabase.h"

void InitScriptUnits() {
  InitInterpreter();
  InitScriptDatabase(true);
  InitCompiler();
  ScriptErrorFlag = false;
}

void DoneScriptUnits() {
  FreeCompiler();
  FreeScriptDatabase();
  FreeInterpreter();
}
