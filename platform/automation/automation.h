// A stand-in for late-bound automation (finding a running object by its class name and
// invoking its members by dispatch ID), carried over the user's D-Bus session bus.
//
// Contract: the class name "Lumiq.Application" is the well-known bus name; its running
// object is the name's current owner, bound by the owner's unique name; the object
// "/Lumiq/Application" must expose the interface "Lumiq.Application" (checked by
// introspection); invoking dispatch ID N calls Invoke(i dispid, av arguments) -> av on
// that interface with N and an empty array. Calls wait as long as the bus's default
// time-out allows; nothing is ever started (no D-Bus activation).
#pragma once

#include <QString>

namespace platform::automation {

// Failure numbers, as a Windows caller sees them.
inline constexpr int CannotCreateObject = 429;      // no session bus, or nobody owns the name
inline constexpr int NoInterface = -2147467262;     // E_NOINTERFACE: object or interface missing
inline constexpr int MemberNotFound = -2147352573;  // DISP_E_MEMBERNOTFOUND: unknown dispatch ID
inline constexpr int ExceptionOccurred =
    -2147352567;  // DISP_E_EXCEPTION: the member reported an error
inline constexpr int Disconnected =
    -2147417848;  // RPC_E_DISCONNECTED: the owner vanished or gave no reply

// A running object of a class, bound to the bus connection that owned the class name.
struct ObjectReference {
    QString className;
    QString owner;  // unique bus name, such as ":1.42"
};

// An object's dispatch interface. Empty until a request succeeds.
struct Dispatch {
    QString className;
    QString owner;
    bool isEmpty() const { return owner.isEmpty(); }
    friend bool operator==(const Dispatch&, const Dispatch&) = default;
};

// The running object of `className`. Returns 0 and sets *object, or CannotCreateObject.
int GetActiveObject(const QString& className, ObjectReference* object);

// Requests the dispatch interface of a running object. Returns 0 and sets *dispatch,
// or NoInterface, or Disconnected when the owner has gone.
int QueryDispatch(const ObjectReference& object, Dispatch* dispatch);

// Invokes the member `dispId` as a method with no arguments and discards any result.
// Returns 0, MemberNotFound, ExceptionOccurred or Disconnected.
int Invoke(const Dispatch& dispatch, int dispId);

// The object path of a class's running object: "Lumiq.Application" gives "/Lumiq/Application".
QString objectPath(const QString& className);

}  // namespace platform::automation
