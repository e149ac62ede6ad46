// Events as the HID link uses them: a callable bound to an object, or none,
// that compares equal to another event bound to the same object and method.
// The controller relies on that when it passes a new handler on only to the
// devices still holding its old one. Copies share the callable, so copying
// an event never allocates.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <type_traits>
#include <utility>

namespace ombrel {

template <class Signature>
class Event;

template <class R, class... Args>
class Event<R(Args...)> {
 public:
  Event() = default;
  Event(std::nullptr_t) {}

  // Bound to a method of an object: equal to every event bound to the same
  // object and method.
  template <class C, class M>
    requires std::is_member_function_pointer_v<M>
  Event(C* object, M method)
      : FTarget(std::make_shared<MethodTarget<C, M>>(object, method)) {}

  // A plain function: equal to every event made from the same function.
  Event(R (*function)(Args...))
      : FTarget(function ? std::make_shared<FunctionTarget>(function) : nullptr) {}

  // Any other callable: equal only to copies of this event.
  template <class F>
    requires(!std::is_same_v<std::decay_t<F>, Event> && std::is_invocable_r_v<R, F&, Args...>)
  Event(F callable) : FTarget(std::make_shared<Target>(std::move(callable))) {}

  explicit operator bool() const { return static_cast<bool>(FTarget); }

  R operator()(Args... args) const { return FTarget->Call(std::forward<Args>(args)...); }

  friend bool operator==(const Event& a, const Event& b) {
    if (!a.FTarget || !b.FTarget) return !a.FTarget && !b.FTarget;
    return a.FTarget == b.FTarget || a.FTarget->Equals(*b.FTarget);
  }

 private:
  struct Target {
    explicit Target(std::function<R(Args...)> call) : Call(std::move(call)) {}
    virtual ~Target() = default;
    virtual bool Equals(const Target&) const { return false; }
    std::function<R(Args...)> Call;
  };
  template <class C, class M>
  struct MethodTarget final : Target {
    MethodTarget(C* o, M m)
        : Target([o, m](Args... args) -> R { return (o->*m)(std::forward<Args>(args)...); }),
          Object(o), Method(m) {}
    bool Equals(const Target& other) const override {
      auto* o = dynamic_cast<const MethodTarget*>(&other);
      return o && o->Object == Object && o->Method == Method;
    }
    C* Object;
    M Method;
  };
  struct FunctionTarget final : Target {
    explicit FunctionTarget(R (*f)(Args...)) : Target(f), Function(f) {}
    bool Equals(const Target& other) const override {
      auto* o = dynamic_cast<const FunctionTarget*>(&other);
      return o && o->Function == Function;
    }
    R (*Function)(Args...);
  };

  std::shared_ptr<const Target> FTarget;
};

}  // namespace ombrel
