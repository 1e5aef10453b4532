#pragma once

#include "basecontainer.h"

// Rows of the P6 table "TASKPRED".
class TaskPredContainer : public BaseContainer<TaskPredContainer>
{
};
