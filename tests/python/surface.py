"""Reads the module's surface: method table flags and the shared type table."""
import ctypes
import sys

METH_VARARGS, METH_O, METH_NOARGS = 0x1, 0x8, 0x4


class PyMethodDef(ctypes.Structure):
    _fields_ = [("ml_name", ctypes.c_char_p), ("ml_meth", ctypes.c_void_p),
                ("ml_flags", ctypes.c_int), ("ml_doc", ctypes.c_char_p)]


def module_functions(module):
    """name -> calling-convention flags of every builtin function of the module."""
    out = {}
    for name, value in vars(module).items():
        if type(value).__name__ != "builtin_function_or_method":
            continue
        # PyCFunctionObject: object header, then the PyMethodDef pointer.
        ml = ctypes.c_void_p.from_address(id(value) + ctypes.sizeof(ctypes.c_ssize_t) * 2).value
        out[name] = PyMethodDef.from_address(ml).ml_flags & (METH_VARARGS | METH_O | METH_NOARGS)
    return out


class SwigTypeInfo(ctypes.Structure):
    _fields_ = [("name", ctypes.c_char_p), ("str", ctypes.c_char_p), ("dcast", ctypes.c_void_p),
                ("cast", ctypes.c_void_p), ("clientdata", ctypes.c_void_p), ("owndata", ctypes.c_int)]


class SwigModuleInfo(ctypes.Structure):
    pass


SwigModuleInfo._fields_ = [("types", ctypes.POINTER(ctypes.POINTER(SwigTypeInfo))), ("size", ctypes.c_size_t),
                           ("next", ctypes.POINTER(SwigModuleInfo)), ("type_initial", ctypes.c_void_p),
                           ("cast_initial", ctypes.c_void_p), ("clientdata", ctypes.c_void_p)]


def type_table():
    """(name, display string, has class) of every entry of the shared type table."""
    capsule = sys.modules["swig_runtime_data4"].type_pointer_capsule
    get = ctypes.pythonapi.PyCapsule_GetPointer
    get.restype = ctypes.c_void_p
    get.argtypes = [ctypes.py_object, ctypes.c_char_p]
    info = SwigModuleInfo.from_address(get(capsule, b"swig_runtime_data4.type_pointer_capsule"))
    rows = []
    for i in range(info.size):
        t = info.types[i].contents
        rows.append((t.name.decode(), (t.str or b"").decode(), bool(t.clientdata)))
    return rows
