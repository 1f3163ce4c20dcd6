// The interface platform implements.
#pragma once

class Service {
public:
    virtual ~Service() = default;
};
