// The class-name strings of the library's runtime-typed classes, and the
// guard that builds them before any other static initialiser uses them.
#include "mxclassnames.h"

#include <cstddef>
#include <new>

mx_detail::MxStaticString mx_class_name_MxDynObj;
mx_detail::MxStaticString mx_class_name_MxAttrib;
mx_detail::MxStaticString mx_class_name_MxNameAttrib;
mx_detail::MxStaticString mx_class_name_MxExtIdAttrib;
mx_detail::MxStaticString mx_class_name_MxDoubleAttrib;
mx_detail::MxStaticString mx_class_name_MxEvent;
mx_detail::MxStaticString mx_class_name_MxObjectModified;
mx_detail::MxStaticString mx_class_name_MxObjectDelete;
mx_detail::MxStaticString mx_class_name_MxReactor;
mx_detail::MxStaticString mx_class_name_MxObject;
mx_detail::MxStaticString mx_class_name_MxReport;
mx_detail::MxStaticString mx_class_name_MxObjectDependencyRole;
mx_detail::MxStaticString mx_class_name_MxArtificialObjectDependency;
mx_detail::MxStaticString mx_class_name_MxInterface;

namespace {

struct NamedString {
  mx_detail::MxStaticString* storage;
  const char* text;
};

// Built in this order at load, destroyed in the reverse order at unload.
const NamedString library_strings[] = {
    {&mx_class_name_MxDynObj, "MxDynObj"},
    {&mx_class_name_MxAttrib, "MxAttrib"},
    {&mx_class_name_MxNameAttrib, "MxNameAttrib"},
    {&mx_class_name_MxExtIdAttrib, "MxExtIdAttrib"},
    {&mx_class_name_MxDoubleAttrib, "MxDoubleAttrib"},
    {&mx_class_name_MxEvent, "MxEvent"},
    {&mx_class_name_MxObjectModified, "MxObjectModified"},
    {&mx_class_name_MxObjectDelete, "MxObjectDelete"},
    {&mx_class_name_MxReactor, "MxReactor"},
    {&mx_class_name_MxObject, "MxObject"},
    {&mx_class_name_MxReport, "MxReport"},
    {&mx_class_name_MxObjectDependencyRole, "MxObjectDependencyRole"},
    {&mx_class_name_MxArtificialObjectDependency, "MxArtificialObjectDependency"},
    {&mx_class_name_MxInterface, "MxInterface"},
};

// Number of live guards; zero-initialised before any dynamic initialisation.
int live_guards = 0;

} // namespace

mx_detail::MxStaticStringsInit::MxStaticStringsInit() {
  if (live_guards++ != 0) return;
  for (const NamedString& s : library_strings) ::new (&s.storage->text) MxString(s.text);
}

mx_detail::MxStaticStringsInit::~MxStaticStringsInit() {
  if (--live_guards != 0) return;
  const size_t n = sizeof(library_strings) / sizeof(library_strings[0]);
  for (size_t i = n; i-- > 0;) library_strings[i].storage->text.~MxString();
}
