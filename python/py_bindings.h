// The qarnedit script host: pieces of the Python module, bound in separate files.
#pragma once

#include <pybind11/pybind11.h>

#include "platform/com_types.h"

namespace py = pybind11;

void BindDispatch(py::module_& m);
void BindHost(py::module_& m);
void BindDesktopAndMemory(py::module_& m);
void BindControlFunctions(py::module_& m);

// A Python object wrapping an IDispatch (takes its own reference).
py::object WrapDispatch(IDispatch* pDispatch);
// The IDispatch inside a wrapper made by WrapDispatch, or null.
IDispatch* UnwrapDispatch(const py::handle& object);
