#pragma once

#include "basecontainer.h"

// Rows of the P6 table "TASKRSRC".
class TaskRsrcContainer : public BaseContainer<TaskRsrcContainer>
{
};
