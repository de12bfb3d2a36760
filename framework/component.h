// Ownership between the program's objects: an owner frees what it owns, last created first.
#pragma once

#include <vector>

class TObject {
public:
    virtual ~TObject() = default;
};

class TComponent : public TObject {
public:
    explicit TComponent(TComponent* owner) : owner_(owner) {
        if (owner_) owner_->owned_.push_back(this);
    }
    ~TComponent() override {
        DestroyComponents();
        if (owner_) std::erase(owner_->owned_, this);
    }
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    TComponent* Owner() const noexcept { return owner_; }

protected:
    // Frees the owned components now; a form calls it before its window goes, so that owned
    // windows are destroyed by their own objects rather than by the system behind their backs.
    void DestroyComponents() noexcept {
        while (!owned_.empty()) {
            TComponent* last = owned_.back();
            owned_.pop_back();
            last->owner_ = nullptr;
            delete last;
        }
    }

private:
    TComponent* owner_;
    std::vector<TComponent*> owned_;
};
