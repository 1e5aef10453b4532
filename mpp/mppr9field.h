#pragma once

#include "basicfield.h"

namespace mppr9 {

// Type word of a field-map item; the values the readers name.
enum FieldType : quint32 {
    FieldType11 = 11,
    FieldTypeDefault = 29,
    FieldType100 = 100
};

enum FieldGroup : quint32 {
    TaskGroup = 0x0B400000,
    OtherGroup = 0x0B400001
};

using Field = mppr::BasicField<FieldType, FieldGroup>;
using FieldMap = Field::FieldMap;

} // namespace mppr9

extern template class mppr::BasicField<mppr9::FieldType, mppr9::FieldGroup>;
