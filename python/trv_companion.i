// What a Python user expects of the companion module's classes, on top of the
// flat surface: records and configurations refuse attributes they do not
// have (a misspelt field must not be accepted silently), records show their
// fields when printed, and result lists work with len(), iteration and
// indexing. Nothing here adds to the extension module itself.

%pythoncode %{
_trv_settable_names = {}


def _trv_settable(cls):
    """Names an instance of cls may set: its properties, this and thisown."""
    names = _trv_settable_names.get(cls)
    if names is None:
        names = {"this", "thisown"}
        for klass in cls.__mro__:
            names.update(name for name, value in vars(klass).items() if isinstance(value, property))
        names = _trv_settable_names[cls] = frozenset(names)
    return names


def _trv_refusing_setattr(self, name, value):
    # A subclass of the user's own may add attributes.
    if type(self).__module__ == __name__ and name not in _trv_settable(type(self)):
        raise AttributeError("'%s' object has no attribute '%s'" % (type(self).__name__, name))
    object.__setattr__(self, name, value)


def _trv_fields(cls):
    """The field properties of a record class, in declaration order."""
    return [name for name, value in vars(cls).items() if isinstance(value, property) and name != "thisown"]


def _trv_record_repr(self):
    parts = []
    try:
        for name in _trv_fields(type(self)):
            value = getattr(self, name)
            if value is None or isinstance(value, (int, float, str, bytes)):
                parts.append("%s=%r" % (name, value))
            else:
                # An embedded record, an array or a pointer: named, not expanded.
                parts.append("%s=<%s>" % (name, type(value).__name__ if hasattr(value, "this") else "array"))
    except ReferenceError as gone:
        return "<%s: %s>" % (type(self).__name__, gone)
    return "%s(%s)" % (type(self).__name__, ", ".join(parts))


def _trv_list_len(self):
    return self.data_count()


def _trv_list_iter(self):
    for index in range(self.data_count()):
        yield self.get(index)


def _trv_list_getitem(self, index):
    count = self.data_count()
    if isinstance(index, slice):
        return [self.get(i) for i in range(*index.indices(count))]
    if not isinstance(index, int):
        raise TypeError("list indices must be integers or slices, not %s" % type(index).__name__)
    if index < 0:
        index += count
    if not 0 <= index < count:
        raise IndexError("list index out of range")
    return self.get(index)


def _trv_companion():
    configurations = (TRVTradeConfig, TRVPrivilegeConfig, TRVQuoteConfig)
    not_records = (TRVTradeApi, TRVQuoteApi, TRVTradeSpi, TRVQuoteSpi, TRVQuoteDecoder, MQRQuoteDecoder,
                   VectorString, SwigPyIterator, QuoteMCTypeArray64)
    for cls in list(globals().values()):
        if not isinstance(cls, type) or cls.__module__ != __name__ or "thisown" not in vars(cls):
            continue
        if hasattr(cls, "data_count") and hasattr(cls, "get") and cls.__name__.endswith("List"):
            cls.__len__ = _trv_list_len
            cls.__iter__ = _trv_list_iter
            cls.__getitem__ = _trv_list_getitem
        elif issubclass(cls, configurations):
            cls.__setattr__ = _trv_refusing_setattr
        elif not issubclass(cls, not_records) and _trv_fields(cls):
            cls.__setattr__ = _trv_refusing_setattr
            cls.__repr__ = _trv_record_repr


_trv_companion()
%}
