// Start-up and shut-down of the script units in their fixed order. A program calls
// InitScriptUnits() once before it registers its own host names; tests call it to start from a
// fresh registry.
#pragma once

// In this order: the interpreter's pools, the registry with the twelve built-ins, the
// assembler's name tables. Calling it again starts everything afresh.
void InitScriptUnits();
// Frees the registry and the pools.
void DoneScriptUnits();
