#include "mppr9field.h"

template class mppr::BasicField<mppr9::FieldType, mppr9::FieldGroup>;
