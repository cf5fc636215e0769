// The class-name strings of the library's runtime-typed classes.
//
// Every class of the MxDynObj family is identified by the address of its
// class-name string (see mxdynobj.h). The strings of all library classes live
// here, in storage whose address is a link-time constant, so a type
// identifier is valid at any moment, even inside another translation unit's
// static initialiser. The text is built by the first `MxStaticStringsInit`
// guard to be constructed: every translation unit that includes this header
// owns one, defined before anything of its own, so the text is ready before
// that unit's static initialisers run, and it is destroyed when the last guard
// goes away at unload (the technique of the standard stream objects).
//
// A library class attaches to its name in its source file with
//   MX_DEFINE_LIBRARY_CLASS_NAME(MxObject)
// which binds `MxObject::class_name_` (declared by MX_DYNOBJ_TYPE, see
// mxdynobj.h) to `mx_class_name_MxObject`. Adding a library class means one
// declaration below and one line in the table of src/mxclassnames.cpp.
/// \file
#ifndef MXFOUNDATION_MXCLASSNAMES_H
#define MXFOUNDATION_MXCLASSNAMES_H

#include "mxexport.h"
#include "mxstring.h"

namespace mx_detail {

/// Raw storage for one library-lifetime string. The constructor does not
/// build the string, so the object is constant-initialised and its address
/// (`&storage.text`) is usable before any static initialiser has run; the
/// string itself is built and destroyed by `MxStaticStringsInit`.
union MxStaticString {
  constexpr MxStaticString() noexcept : unused_() {}
  ~MxStaticString() {}
  MxStaticString(const MxStaticString&) = delete;
  MxStaticString& operator=(const MxStaticString&) = delete;

  char unused_;
  MxString text;
};

/// Reference-counted guard of the library's static strings: the first guard
/// constructed builds them all, the last one destroyed destroys them.
class MX_EXPORT MxStaticStringsInit {
public:
  MxStaticStringsInit();
  ~MxStaticStringsInit();
  MxStaticStringsInit(const MxStaticStringsInit&) = delete;
  MxStaticStringsInit& operator=(const MxStaticStringsInit&) = delete;
};

/// This translation unit's guard; it precedes every static object of the unit.
static const MxStaticStringsInit static_strings_init;

} // namespace mx_detail

/// The library's class-name strings; `mx_class_name_X.text` has the text "X".
extern MX_EXPORT mx_detail::MxStaticString mx_class_name_MxDynObj;
extern MX_EXPORT mx_detail::MxStaticString mx_class_name_MxAttrib;
extern MX_EXPORT mx_detail::MxStaticString mx_class_name_MxNameAttrib;
extern MX_EXPORT mx_detail::MxStaticString mx_class_name_MxExtIdAttrib;
extern MX_EXPORT mx_detail::MxStaticString mx_class_name_MxDoubleAttrib;
extern MX_EXPORT mx_detail::MxStaticString mx_class_name_MxEvent;
extern MX_EXPORT mx_detail::MxStaticString mx_class_name_MxObjectModified;
extern MX_EXPORT mx_detail::MxStaticString mx_class_name_MxObjectDelete;
extern MX_EXPORT mx_detail::MxStaticString mx_class_name_MxReactor;
extern MX_EXPORT mx_detail::MxStaticString mx_class_name_MxObject;
extern MX_EXPORT mx_detail::MxStaticString mx_class_name_MxReport;
extern MX_EXPORT mx_detail::MxStaticString mx_class_name_MxObjectDependencyRole;
extern MX_EXPORT mx_detail::MxStaticString mx_class_name_MxArtificialObjectDependency;
extern MX_EXPORT mx_detail::MxStaticString mx_class_name_MxInterface;

/// The class-name string of the library class `Class`, as a `const MxString&`.
#define MX_LIBRARY_CLASS_NAME(Class) (static_cast<const MxString&>(mx_class_name_##Class.text))

/// Defines `Class::class_name_` (declared by MX_DYNOBJ_TYPE) as the library's
/// class-name string of `Class`. Use once, in the class's source file.
#define MX_DEFINE_LIBRARY_CLASS_NAME(Class)                                                        \
  const MxString& Class::class_name_ = mx_class_name_##Class.text

#endif
