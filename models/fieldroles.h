#pragma once

#include <Qt>

// Roles of the horizontal header of the loader's table models and of the
// models built from them: a column's id, its group and its whole descriptor
// map ("id", "display", "datatype", "group", optional "structure" and
// "calculated").
enum FieldRole {
    FieldIdRole = Qt::UserRole,           // 256
    FieldGroupRole = Qt::UserRole + 1,    // 257
    FieldDescriptorRole = Qt::UserRole + 2 // 258
};
