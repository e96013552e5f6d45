/*
 * Preloaded into the 32-bit Wine processes when they run under qemu-i386
 * user emulation: kernels booted with ia32_emulation off cannot exec i386
 * ELF files, so binfmt_misc hands them to qemu (tools/setup.sh registers
 * it). It papers over gaps of qemu 7.2 that Wine trips over; on a kernel
 * with ia32 support the rig does not load it.
 *
 * 1. MAP_FIXED_NOREPLACE is ignored: qemu maps the range elsewhere instead
 *    of failing with EEXIST. Wine reserves its address space with that flag
 *    and reads a misplaced result as "occupied", so it bisects the upper
 *    2 GB down to 64 KB pieces: 65,000 calls and a minute of CPU at every
 *    process start. Emulating the flag (hint, compare, undo) fixes that.
 *
 * 2. Signal frames carry trapno = -1. Wine tells a page fault from other
 *    faults by the trap number, so ordinary guard-page and write-watch
 *    faults became "illegal instruction". The fault handlers are wrapped to
 *    fill the trap number in from the signal and si_code.
 *
 * 3. qemu keeps one GDT for all threads of a process, so a thread-local
 *    segment set with set_thread_area is the last thread's everywhere once
 *    a segment register is reloaded (Wine reloads %fs and %gs on every
 *    signal and switch between Windows and Unix code). Threads then ran
 *    with another thread's TEB and C library TLS and crashed at random.
 *    LDT entries are distinct per thread, so: Wine's GDT probe for %fs is
 *    refused (it falls back to an LDT entry per thread), and each thread's
 *    %gs (glibc TLS) is moved to an LDT entry of its own with the same base.
 *
 * Freestanding on purpose: the machine has the i386 C library but not its
 * headers, so this builds with plain `gcc -m32 -nostdlib ... libc.so.6`.
 */
typedef unsigned int size_t;
typedef long long off64_t;

#define MAP_FIXED_NOREPLACE 0x100000
#define MAP_FAILED ((void *)-1)
#define RTLD_NEXT ((void *)-1l)
#define EEXIST 17
#define EAGAIN 11
#define ENOSYS 38
#define SIG_SETMASK 2

#define SIGILL 4
#define SIGTRAP 5
#define SIGBUS 7
#define SIGFPE 8
#define SIGSEGV 11
#define SA_SIGINFO 4

#define NR_MODIFY_LDT 123
#define NR_SET_THREAD_AREA 243

/* i386 layouts of glibc's siginfo_t, ucontext_t and struct sigaction. */
#define SI_CODE(si) (((int *)(si))[2])
#define UC_GREGS(uc) ((int *)((char *)(uc) + 20))
#define REG_TRAPNO 12
#define SIGACTION_SIZE 140
#define SIGACTION_FLAGS_OFFSET 132
#define SIGSET_SIZE 128

#define TRAP_DIVIDE 0
#define TRAP_DEBUG 1
#define TRAP_BREAKPOINT 3
#define TRAP_INVALID_OPCODE 6
#define TRAP_PROTECTION 13
#define TRAP_PAGE_FAULT 14
#define TRAP_FPU 16
#define TRAP_ALIGNMENT 17

extern void *dlsym(void *handle, const char *name);
extern int *__errno_location(void);
extern void *malloc(size_t size);
extern void free(void *p);
extern int pthread_sigmask(int how, const void *set, void *old);

typedef void *(*mmap64_fn)(void *, size_t, int, int, int, off64_t);
typedef int (*munmap_fn)(void *, size_t);
typedef int (*sigaction_fn)(int, const void *, void *);
typedef void (*handler_fn)(int, void *, void *);
typedef long (*syscall_fn)(long, ...);
typedef int (*pthread_create_fn)(void *, const void *, void *(*)(void *), void *);

static void *next_symbol(const char *name) { return dlsym(RTLD_NEXT, name); }

/* ---- 1. MAP_FIXED_NOREPLACE ------------------------------------------- */

static mmap64_fn real_mmap64;
static munmap_fn real_munmap;

void *mmap64(void *addr, size_t len, int prot, int flags, int fd, off64_t off)
{
    if (!real_mmap64) real_mmap64 = (mmap64_fn)next_symbol("mmap64");
    if (!(flags & MAP_FIXED_NOREPLACE))
        return real_mmap64(addr, len, prot, flags, fd, off);

    void *p = real_mmap64(addr, len, prot, flags & ~MAP_FIXED_NOREPLACE, fd, off);
    if (p != MAP_FAILED && p != addr) {
        if (!real_munmap) real_munmap = (munmap_fn)next_symbol("munmap");
        real_munmap(p, len);
        *__errno_location() = EEXIST;
        return MAP_FAILED;
    }
    return p;
}

void *mmap(void *addr, size_t len, int prot, int flags, int fd, long off)
{
    return mmap64(addr, len, prot, flags, fd, (off64_t)(unsigned long)off);
}

/* ---- 2. trap numbers in signal frames ---------------------------------- */

static sigaction_fn real_sigaction;
static handler_fn wrapped[32];

static int trap_for(int sig, int code)
{
    switch (sig) {
    case SIGSEGV: return (code == 1 || code == 2) ? TRAP_PAGE_FAULT : TRAP_PROTECTION;
    case SIGBUS:  return code == 1 ? TRAP_ALIGNMENT : TRAP_PAGE_FAULT;
    case SIGILL:  return TRAP_INVALID_OPCODE;
    case SIGFPE:  return (code == 1 || code == 2) ? TRAP_DIVIDE : TRAP_FPU;
    case SIGTRAP: return code == 2 ? TRAP_DEBUG : TRAP_BREAKPOINT;
    }
    return -1;
}

static void fix_trapno(int sig, void *si, void *uc)
{
    int *gregs = UC_GREGS(uc);
    if (gregs[REG_TRAPNO] == -1) gregs[REG_TRAPNO] = trap_for(sig, SI_CODE(si));
    wrapped[sig](sig, si, uc);
}

static int is_fault_signal(int sig)
{
    return sig == SIGSEGV || sig == SIGBUS || sig == SIGILL || sig == SIGFPE || sig == SIGTRAP;
}

int sigaction(int sig, const void *act, void *oact)
{
    if (!real_sigaction) real_sigaction = (sigaction_fn)next_symbol("sigaction");
    handler_fn previous = is_fault_signal(sig) ? wrapped[sig] : 0;
    int rc;

    if (act && is_fault_signal(sig) &&
        (*(const int *)((const char *)act + SIGACTION_FLAGS_OFFSET) & SA_SIGINFO)) {
        unsigned char copy[SIGACTION_SIZE];
        const unsigned char *a = act;
        for (int i = 0; i < SIGACTION_SIZE; i++) copy[i] = a[i];
        handler_fn handler = *(handler_fn *)copy;
        *(handler_fn *)copy = fix_trapno;
        rc = real_sigaction(sig, copy, oact);
        if (rc == 0) wrapped[sig] = handler;
    } else {
        rc = real_sigaction(sig, act, oact);
        if (rc == 0 && act && is_fault_signal(sig)) wrapped[sig] = 0;
    }
    /* Callers asking for the old action see their own handler, not ours. */
    if (rc == 0 && oact && previous && *(handler_fn *)oact == fix_trapno)
        *(handler_fn *)oact = previous;
    return rc;
}

/* ---- 3. per-thread segments in the LDT --------------------------------- */

struct user_desc_i386 {
    unsigned int entry_number;
    unsigned int base_addr;
    unsigned int limit;
    unsigned int flags; /* seg_32bit, limit_in_pages, useable */
};
#define DESC_FLAGS (1u | (1u << 4) | (1u << 6))
#define GLIBC_GDT_ENTRY 6
/* Wine allocates its LDT entries from the bottom; these come from the top. */
#define FIRST_TLS_ENTRY 8191
#define LAST_TLS_ENTRY 4096

static syscall_fn real_syscall;
static pthread_create_fn real_pthread_create;
static int next_entry = FIRST_TLS_ENTRY;
static int create_lock;

static long raw_syscall3(long nr, long a, long b, long c)
{
    long rc;
    __asm__ volatile("int $0x80" : "=a"(rc) : "0"(nr), "b"(a), "c"(b), "d"(c) : "memory");
    return rc;
}

static unsigned int tls_base(void)
{
    unsigned int base; /* glibc's TCB starts with a pointer to itself */
    __asm__ volatile("movl %%gs:0, %0" : "=r"(base));
    return base;
}

static void load_gs(unsigned short sel) { __asm__ volatile("movw %0, %%gs" : : "r"(sel)); }
static unsigned short current_gs(void)
{
    unsigned short sel;
    __asm__ volatile("movw %%gs, %0" : "=r"(sel));
    return sel;
}

static void move_tls_to_ldt(void)
{
    int entry = __atomic_fetch_sub(&next_entry, 1, __ATOMIC_SEQ_CST);
    if (entry < LAST_TLS_ENTRY) {
        /* Long-dead threads' entries are reused. */
        __atomic_store_n(&next_entry, FIRST_TLS_ENTRY - 1, __ATOMIC_SEQ_CST);
        entry = FIRST_TLS_ENTRY;
    }
    struct user_desc_i386 d = { (unsigned)entry, tls_base(), 0xfffff, DESC_FLAGS };
    if (raw_syscall3(NR_MODIFY_LDT, 1, (long)&d, sizeof d) != 0) return;
    load_gs((unsigned short)((entry << 3) | 7));
}

long syscall(long number, ...)
{
    __builtin_va_list ap;
    long a[6];
    __builtin_va_start(ap, number);
    for (int i = 0; i < 6; i++) a[i] = __builtin_va_arg(ap, long);
    __builtin_va_end(ap);
    if (!real_syscall) real_syscall = (syscall_fn)next_symbol("syscall");
    /* Wine asks for a free GDT slot for %fs; refusing makes it use the LDT. */
    if (number == NR_SET_THREAD_AREA && a[0] && *(int *)a[0] == -1) {
        *__errno_location() = ENOSYS;
        return -1;
    }
    return real_syscall(number, a[0], a[1], a[2], a[3], a[4], a[5]);
}

struct start_args {
    void *(*fn)(void *);
    void *arg;
    unsigned char mask[SIGSET_SIZE];
};

static void *start_on_ldt(void *p)
{
    struct start_args a = *(struct start_args *)p;
    free(p);
    move_tls_to_ldt();
    pthread_sigmask(SIG_SETMASK, a.mask, 0);
    return a.fn(a.arg);
}

/*
 * glibc's pthread_create hands the kernel the creator's %gs entry number for
 * the new thread's TLS, which must be the GDT slot. So for the call the
 * creator goes back to that slot, pointed at its own TLS, with signals
 * blocked and other creators held off; the new thread starts blocked too
 * and restores the mask once it is on its own LDT entry.
 */
int pthread_create(void *thread, const void *attr, void *(*fn)(void *), void *arg)
{
    if (!real_pthread_create) real_pthread_create = (pthread_create_fn)next_symbol("pthread_create");
    unsigned short own = current_gs();
    if (!(own & 4)) return real_pthread_create(thread, attr, fn, arg);

    struct start_args *a = malloc(sizeof *a);
    if (!a) return EAGAIN;
    a->fn = fn;
    a->arg = arg;
    unsigned char all[SIGSET_SIZE], saved[SIGSET_SIZE];
    for (int i = 0; i < SIGSET_SIZE; i++) all[i] = 0xff;
    pthread_sigmask(SIG_SETMASK, all, saved);
    for (int i = 0; i < SIGSET_SIZE; i++) a->mask[i] = saved[i];

    while (__atomic_exchange_n(&create_lock, 1, __ATOMIC_ACQUIRE)) {}
    struct user_desc_i386 d = { GLIBC_GDT_ENTRY, tls_base(), 0xfffff, DESC_FLAGS };
    raw_syscall3(NR_SET_THREAD_AREA, (long)&d, 0, 0);
    load_gs((unsigned short)((GLIBC_GDT_ENTRY << 3) | 3));
    int rc = real_pthread_create(thread, attr, start_on_ldt, a);
    load_gs(own);
    __atomic_store_n(&create_lock, 0, __ATOMIC_RELEASE);

    pthread_sigmask(SIG_SETMASK, saved, 0);
    if (rc) free(a);
    return rc;
}

__attribute__((constructor)) static void move_main_thread(void) { move_tls_to_ldt(); }
