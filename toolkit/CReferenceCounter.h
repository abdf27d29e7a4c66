// Shared ownership in the toolkit's manner: an object starts with one
// reference; remember adds one, forget drops one and deletes at zero.
#pragma once

class CReferenceCounter
{
public:
    CReferenceCounter() = default;
    virtual ~CReferenceCounter() = default;
    CReferenceCounter(const CReferenceCounter&) = delete;
    CReferenceCounter& operator=(const CReferenceCounter&) = delete;

    void remember() { ++references; }
    void forget()
    {
        if (--references <= 0)
            delete this;
    }
    long getNbReference() const { return references; }

private:
    long references = 1;
};
