// The records of a run (options, log, open files, project, settings, tables,
// result files) are owned by the run object of the run layer, so that
// nothing of a run survives it and the next run in the same process starts
// clean. Code below the run layer reaches the record of the run in progress
// through the record's accessor (run_log(), project(), sources(), ...),
// which returns RunRecord<T>::current():
//
//   the record a run has bound on this thread, for the run's lifetime, or,
//   outside any run (unit tests of one module), a record of the thread's own.
//
// A run is created and executed on one thread; bindings nest.
#pragma once

namespace zemo {

template <typename T>
class RunRecord {
public:
    static T& current() { return bound_ ? *bound_ : own(); }

    // Binds record as the current one until the binding ends.
    class Binding {
    public:
        explicit Binding(T& record) : previous_(bound_) { bound_ = &record; }
        ~Binding() { bound_ = previous_; }
        Binding(const Binding&) = delete;
        Binding& operator=(const Binding&) = delete;

    private:
        T* previous_;
    };

private:
    static T& own() {
        static thread_local T record;
        return record;
    }
    static inline thread_local T* bound_ = nullptr;
};

}  // namespace zemo
