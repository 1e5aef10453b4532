#pragma once

#include "basecontainer.h"

// Rows of the P6 table "TASK".
class TaskContainer : public BaseContainer<TaskContainer>
{
};
