#include "script/hostcommands.h"

void RegisterHostTables(std::span<const TScriptHostVar> vars, std::span<const TScriptHostProc> procs) {
  for (const TScriptHostVar& v : vars) AddExtVar(v.Name, v.TypeCode, v.Host);
  for (const TScriptHostProc& p : procs) AddExtProc(p.Name, p.Body, p.ResultType, p.ParamCount, p.IsFunction);
}

std::vector<TScriptHostProc> JoinHostRows(std::initializer_list<std::span<const TScriptHostProc>> parts) {
  std::vector<TScriptHostProc> rows;
  for (std::span<const TScriptHostProc> part : parts) rows.insert(rows.end(), part.begin(), part.end());
  return rows;
}
