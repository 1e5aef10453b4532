#pragma once

#include "basecontainer.h"

// Rows of the P6 table "ACTVCODE".
class ActvCodeContainer : public BaseContainer<ActvCodeContainer>
{
};
