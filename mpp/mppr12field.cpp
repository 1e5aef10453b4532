#include "mppr12field.h"

template class mppr::BasicField<mppr12::FieldType, mppr12::FieldGroup>;
