#pragma once

#include "basecontainer.h"

// Rows of the P6 table "ACTVTYPE".
class ActvTypeContainer : public BaseContainer<ActvTypeContainer>
{
};
