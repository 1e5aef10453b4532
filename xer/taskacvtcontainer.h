#pragma once

#include "basecontainer.h"

// Rows of the P6 table "TASKACTV".
class TaskAcvtContainer : public BaseContainer<TaskAcvtContainer>
{
};
