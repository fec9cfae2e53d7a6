#ifndef TN_CORE_TNBASELIST_H
#define TN_CORE_TNBASELIST_H

#include <new>
#include <utility>

// An ordered array of owned element pointers. The list deletes what it holds on clear()
// and destruction; pop() and remove() hand ownership to the caller, release() forgets the
// elements without deleting them (for lists filled with borrowed pointers). No locking.
template <class T>
class TnBaseList {
public:
    TnBaseList() = default;
    TnBaseList(const TnBaseList& other) { copy(other); }
    virtual ~TnBaseList() {
        clear();
        delete[] data_;
    }
    TnBaseList& operator=(const TnBaseList& other) {
        copy(other);
        return *this;
    }

    int length() const { return end_ - start_ + 1; }

    T* get(int i) const { return (i >= 0 && i < length()) ? data_[start_ + i] : nullptr; }

    int set(T* p, int i) {
        if (i < 0 || i >= length()) return 0;
        data_[start_ + i] = p;
        return 1;
    }

    bool push(T* p) {
        if (end_ + 1 >= size_) {
            int grown = 2 * size_ + 1;
            T** fresh = new (std::nothrow) T*[grown];
            if (!fresh) return false;
            for (int i = 0; i <= end_; ++i) fresh[i] = data_[i];
            delete[] data_;
            data_ = fresh;
            size_ = grown;
        }
        data_[++end_] = p;
        return true;
    }

    T* pop() { return end_ >= start_ ? data_[end_--] : nullptr; }

    T* top() const { return end_ >= start_ ? data_[end_] : nullptr; }

    T* remove(int i) {
        if (i < 0 || i >= length()) return nullptr;
        T* out = data_[start_ + i];
        for (int k = start_ + i; k < end_; ++k) data_[k] = data_[k + 1];
        --end_;
        return out;
    }

    void clear() {
        for (int i = start_; i <= end_; ++i) delete data_[i];
        end_ = start_ - 1;
    }

    void release() { end_ = start_ - 1; }

    void steal(TnBaseList& other) {
        if (&other == this) return;
        clear();
        for (int i = 0; i < other.length(); ++i) push(other.get(i));
        other.release();
    }

    void copy(const TnBaseList& other) {
        if (&other == this) return;
        clear();
        for (int i = 0; i < other.length(); ++i) push(new T(*other.get(i)));
    }

    // Sorts in place with a three-way comparator; not stable.
    void sort(int (*cmp)(const T*, const T*)) {
        if (length() > 1) sortRange(cmp, start_, end_);
    }

private:
    void sortRange(int (*cmp)(const T*, const T*), int lo, int hi) {
        // Iterative on the larger side, recursive on the smaller, so depth stays logarithmic.
        while (lo < hi) {
            int mid = lo + ((hi - lo) >> 1);
            std::swap(data_[lo], data_[mid]);
            T* pivot = data_[lo];
            int i = lo, j = hi;
            while (j > i) {
                while (i < j && cmp(data_[j], pivot) >= 0) --j;
                if (i != j) data_[i++] = data_[j];
                while (i < j && cmp(data_[i], pivot) <= 0) ++i;
                if (i != j) data_[j--] = data_[i];
            }
            data_[i] = pivot;
            if (i - lo < hi - i) {
                if (lo < i) sortRange(cmp, lo, i - 1);
                lo = i + 1;
            } else {
                if (i < hi) sortRange(cmp, i + 1, hi);
                hi = i - 1;
            }
        }
    }

    T** data_ = nullptr;
    int size_ = 0;
    int end_ = -1;
    int start_ = 0;
};

#endif
