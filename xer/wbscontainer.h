#pragma once

#include "basecontainer.h"

// Rows of the P6 table "PROJWBS".
class WBSContainer : public BaseContainer<WBSContainer>
{
};
