#!/usr/bin/env python3
"""A planned batch through the scheduler wrappers of packaging/, for real: a single-node Slurm
started in the test's own folder (munge with a key made here, slurmctld and slurmd on free
ports), or GNU Parallel over two host names with an ssh stand-in that runs the command here.
The merged summary must equal a local batch's byte for byte, and the scheduler's own record of
each task must agree with the clients' manifests.

    batch_schedulers_test.py slurm|parallel TALLYSCAN_CLI TALLYSCAN_GEN SOURCE_DIR

Exits 77 (skipped) when the scheduler's packages are absent."""

import json
import os
import random
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import zipfile

mode, cli, gen, source = sys.argv[1:5]
env = dict(os.environ, SOURCE_DATE_EPOCH="1733900000", TALLYSCAN_CLI=cli)
# Run as CI runs, without a login shell's SHELL; the hosts' own shell is the ssh stand-in's.
env.pop("SHELL", None)
SUMMARY = ("portfolio.csv", "portfolio.json")
# What a shard's batch exits with when some client is not ok: failed, timed out, changed, not analysed.
NOT_OK = {"failed", "timed out", "changed during run", "not analysed"}


def need(*programs):
    absent = [p for p in programs if shutil.which(p) is None]
    if absent:
        print("skipped: not installed: " + " ".join(absent) + " (scripts/install-deps.sh test)")
        sys.exit(77)


def run(*args, **kw):
    return subprocess.run(list(args), env=env, check=True, capture_output=True, text=True, **kw)


def portfolio(root):
    """Ten clients, one of each kind, as the batch's own test builds them."""
    into = os.path.join(root, "portfolio")
    for options, folder in [
        ("--profile audit --movements 1200 --seed 11", "ok"),
        ("--profile audit --movements 1200 --seed 12 --fault weekend@3", "audit-weekend"),
        ("--profile audit --movements 1200 --seed 13 --fault round-amount@2", "firm/round"),
        ("--profile audit --movements 1200 --seed 14 --zip", "zipped"),
        ("--profile audit --movements 1200 --seed 17 --fault late-entry@2", "firm/late"),
        ("--movements 600 --seed 15", "cut"),
        ("--movements 600 --seed 16", "victim"),
    ]:
        run(gen, "--quiet", *options.split(), os.path.join(into, folder))
    ok = os.path.join(into, "ok")
    for name in ("random", "ini-only", "zip-escape"):
        os.makedirs(os.path.join(into, name))
        shutil.copyfile(os.path.join(ok, "INI.TXT"), os.path.join(into, name, "INI.TXT"))
    with open(os.path.join(into, "random", "BKMVDATA.TXT"), "wb") as f:
        f.write(random.Random(7).randbytes(200000))
    cut = os.path.join(into, "cut", "BKMVDATA.TXT")
    with open(cut, "rb") as f:
        whole = f.read()
    with open(cut, "wb") as f:
        f.write(whole[: len(whole) // 2 + 7])
    with zipfile.ZipFile(os.path.join(into, "zip-escape", "BKMVDATA.ZIP"), "w") as z:
        with open(os.path.join(ok, "BKMVDATA.TXT"), "rb") as f:
            z.writestr("../BKMVDATA.TXT", f.read())
    # The child is killed by a signal for one client, the real program for the rest.
    child = os.path.join(root, "child.sh")
    with open(child, "w") as f:
        f.write('#!/bin/sh\ncase "$3" in\n  */victim) kill -KILL $$ ;;\nesac\nexec %s "$@"\n' % cli)
    os.chmod(child, 0o755)
    return into, child


def read(path):
    with open(path, "rb") as f:
        return f.read()


def manifests(results):
    found = {}
    for top, _, files in os.walk(os.path.join(results, "clients")):
        if "manifest.json" in files and not top.endswith(".partial"):
            with open(os.path.join(top, "manifest.json"), encoding="utf-8") as f:
                m = json.load(f)
            found[m["client"]] = m
    return found


def shard_clients(plan, shard):
    with open(os.path.join(plan, "shard-%03d.txt" % shard), encoding="utf-8") as f:
        return [line.split("\t")[0] for line in f.read().splitlines() if line]


failures = []


def expect(condition, what):
    if not condition:
        failures.append(what)
        print("FAILED: " + what)


def same_summary(local, merged):
    for name in SUMMARY:
        expect(read(os.path.join(local, name)) == read(os.path.join(merged, name)),
               name + " of the merge differs from the local batch's")
    m = manifests(merged)
    expect(len(m) == 10, "the merge holds %d clients, not 10" % len(m))
    victim = m.get("victim", {})
    expect(victim.get("status") == "failed" and victim.get("signal") == signal.SIGKILL,
           "victim is %s with signal %s, not failed with SIGKILL"
           % (victim.get("status"), victim.get("signal")))
    return m


def free_ports(count):
    sockets = [socket.socket() for _ in range(count)]
    for s in sockets:
        s.bind(("127.0.0.1", 0))
    ports = [s.getsockname()[1] for s in sockets]
    for s in sockets:
        s.close()
    return ports


def wait_for(what, seconds, ready):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if ready():
            return True
        time.sleep(0.5)
    expect(False, "%s not within %d s" % (what, seconds))
    return False


def slurm(root, plan, results, child):
    need("munged", "mungekey", "slurmctld", "slurmd", "sbatch", "sinfo", "scontrol")
    d = os.path.join(root, "slurm")
    for sub in ("state", "spool"):
        os.makedirs(os.path.join(d, sub))
    ctld_port, d_port = free_ports(2)
    user = subprocess.run(["id", "-un"], capture_output=True, text=True, check=True).stdout.strip()
    conf = os.path.join(d, "slurm.conf")
    with open(conf, "w") as f:
        f.write(f"""ClusterName=test
SlurmctldHost=localhost
SlurmUser={user}
SlurmdUser={user}
AuthType=auth/munge
AuthInfo=socket={d}/munge.socket
CredType=cred/munge
SlurmctldPort={ctld_port}
SlurmdPort={d_port}
StateSaveLocation={d}/state
SlurmdSpoolDir={d}/spool
SlurmctldPidFile={d}/slurmctld.pid
SlurmdPidFile={d}/slurmd.pid
SlurmctldLogFile={d}/slurmctld.log
SlurmdLogFile={d}/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/filetxt
JobCompLoc={d}/jobcomp.txt
SchedulerType=sched/backfill
SelectType=select/cons_tres
SelectTypeParameters=CR_Core_Memory
ReturnToService=2
MpiDefault=none
MinJobAge=600
NodeName=localhost NodeAddr=127.0.0.1 CPUs=2 RealMemory=4000 State=UNKNOWN
PartitionName=batch Nodes=localhost Default=YES MaxTime=10 State=UP
""")
    env["SLURM_CONF"] = conf
    key = os.path.join(d, "munge.key")
    run("mungekey", "--create", "--keyfile=" + key)
    daemons = []
    log = open(os.path.join(d, "daemons.out"), "w")

    def start(*args):
        daemons.append(subprocess.Popen(list(args), env=env, stdout=log, stderr=log,
                                        stdin=subprocess.DEVNULL))

    try:
        start("munged", "-F", "--force", "--key-file=" + key, "--socket=" + d + "/munge.socket",
              "--pid-file=" + d + "/munged.pid", "--log-file=" + d + "/munged.log",
              "--seed-file=" + d + "/munged.seed")
        wait_for("munge's socket", 30, lambda: os.path.exists(d + "/munge.socket"))
        start("slurmctld", "-D", "-i")
        start("slurmd", "-D", "-N", "localhost")

        def idle():
            r = subprocess.run(["sinfo", "-h", "-o", "%t"], env=env, capture_output=True, text=True)
            return r.returncode == 0 and r.stdout.strip() == "idle"

        if not wait_for("the node idle", 30, idle):
            return
        started = time.monotonic()
        out = run("bash", os.path.join(source, "packaging/slurm/submit.sh"), plan, results,
                  "--cpus-per-task=1", "--mem=200", "--output=" + d + "/job-%A_%a.out",
                  "--", "--child", child).stdout.split()
        expect(len(out) == 2 and all(x.isdigit() for x in out), "submit.sh printed %r" % out)
        array, merge = out[0], out[1]
        comp = os.path.join(d, "jobcomp.txt")

        def ended():
            if not os.path.exists(comp):
                return 0
            return sum(1 for line in open(comp, encoding="utf-8") if line.strip())

        # Each job within 120 s: three array tasks and the merge.
        for n in range(1, 5):
            if not wait_for("job %d of 4 ended" % n, 120, lambda n=n: ended() >= n):
                return
        print("slurm: three shards and the merge in %.1f s" % (time.monotonic() - started))
        records = [dict(field.split("=", 1) for field in line.split() if "=" in field)
                   for line in open(comp, encoding="utf-8") if line.strip()]
        by_id = {r["JobId"]: r for r in records}
        for r in records:
            print("slurm: job %s %s %s exit %s" % (r.get("JobId"), r.get("Name"),
                                                 r.get("JobState"), r.get("ExitCode")))
        merged_clients = manifests(results)
        # The array's tasks are the array's id and the ids that follow it, the merge last.
        task_ids = [i for i in by_id if i != merge]
        expect(len(task_ids) == 3, "the job-completion file has %d array tasks, not 3" % len(task_ids))
        expect(by_id.get(merge, {}).get("JobState") == "COMPLETED", "the merge job did not complete")
        expect(array in task_ids, "the array's job id %s is none of its tasks" % array)
        for r in by_id.values():
            expect(r.get("JobState") in ("COMPLETED", "FAILED"),
                   "job %s ended as %s" % (r["JobId"], r.get("JobState")))
        # A task fails exactly when one of its shard's clients is not ok (the batch's exit 4).
        codes = sorted(by_id[i].get("ExitCode", "") for i in task_ids)
        wanted = sorted("4:0" if any(merged_clients.get(c, {}).get("status") in NOT_OK
                                     for c in shard_clients(plan, s)) else "0:0"
                        for s in range(3))
        expect(codes == wanted, "the tasks' exit codes %s, the manifests say %s" % (codes, wanted))
    finally:
        for p in reversed(daemons):
            if p.poll() is None:
                p.send_signal(signal.SIGTERM)
        for p in reversed(daemons):
            try:
                p.wait(timeout=20)
            except subprocess.TimeoutExpired:
                p.kill()
                p.wait(timeout=10)
        log.close()
        for name in ("slurmctld.log", "slurmd.log"):
            path = os.path.join(d, name)
            if failures and os.path.exists(path):
                print("== " + name)
                print(open(path, errors="replace").read()[-4000:])


def gnu_parallel(root, plan, results, child):
    need("parallel")
    ssh = os.path.join(root, "ssh.sh")
    # Stands for ssh: drops the options and the host, runs the remote command here in a login's
    # environment (SHELL set, which the remote end of parallel runs the command with). The host
    # "down" cannot be reached; the host "void" takes the command and runs nothing.
    with open(ssh, "w") as f:
        f.write('#!/bin/bash\nwhile [ "${1#-}" != "$1" ]; do\n  case "$1" in -[bcDEeFIiJLlmOopQRSWw]) shift ;; esac\n'
                '  shift\ndone\n[ "$1" = down ] && exit 255\n[ "$1" = void ] && exit 0\nshift\n[ "$1" = -- ] && shift\n'
                'export SHELL=/bin/bash\nexec bash -c "$*"\n')
    os.chmod(ssh, 0o755)
    hosts = os.path.join(root, "hosts")
    script = os.path.join(source, "packaging/parallel/batch-hosts.sh")
    # A host that runs nothing and says it did: no shard left its log, which is a failure, and
    # the next run takes those shards up again.
    with open(hosts, "w") as f:
        f.write("void\n")
    r = subprocess.run(["bash", script, plan, results, hosts, "--ssh", ssh, "--", "--child", child],
                       env=env, capture_output=True, text=True, timeout=600)
    expect(r.returncode == 1 and r.stderr.count("its batch never ran") == 3,
           "with a host that runs nothing, batch-hosts.sh exited %d: %s" % (r.returncode, r.stderr))
    # A host that cannot be reached: no shard runs, which is a failure, never a summary passed
    # as whole; the next run takes up every shard again.
    with open(hosts, "w") as f:
        f.write("down\n")
    r = subprocess.run(["bash", script, plan, results, hosts, "--ssh", ssh, "--", "--child", child],
                       env=env, capture_output=True, text=True, timeout=600)
    expect(r.returncode == 1 and r.stderr.count("signal 0; run again to resume it") == 3,
           "with the host down, batch-hosts.sh exited %d: %s" % (r.returncode, r.stderr))
    with open(hosts, "w") as f:
        f.write("host-a\nhost-b\n")
    started = time.monotonic()
    r = subprocess.run(["bash", script, plan, results, hosts, "--ssh", ssh, "--", "--child", child],
                       env=env, capture_output=True, text=True, timeout=600)
    print("parallel: three shards and the merge in %.1f s" % (time.monotonic() - started))
    expect(r.returncode == 4, "batch-hosts.sh exited %d, not 4: %s" % (r.returncode, r.stderr))
    merged_clients = manifests(results)
    with open(os.path.join(results, "shards.joblog"), encoding="utf-8") as f:
        rows = [line.split("\t") for line in f.read().splitlines()[1:]]
    expect([row[1] for row in rows[:3]] == ["down"] * 3, "the first run's joblog: %r" % rows[:3])
    rows = rows[3:]
    expect(set(row[1] for row in rows) <= {"host-a", "host-b"}, "hosts in the joblog: %r" % rows)
    expect(len(rows) == 3, "the joblog has %d shards, not 3" % len(rows))
    for row in rows:
        shard = int(row[0]) - 1
        clients = shard_clients(plan, shard)
        bad = any(merged_clients.get(c, {}).get("status") in NOT_OK for c in clients)
        expect((row[6], row[7]) == ("4" if bad else "0", "0"),
               "shard %d: exit %s signal %s, its manifests say %s" % (shard, row[6], row[7], 4 if bad else 0))
        expect(os.path.exists(os.path.join(results, "shards", "shard-%03d.log" % shard)),
               "no log of shard %d" % shard)
    # Run again: every shard has ended, the failed ones run again and reuse what is done.
    again = subprocess.run(["bash", os.path.join(source, "packaging/parallel/batch-hosts.sh"), plan,
                            results, hosts, "--ssh", ssh, "--", "--child", child],
                           env=env, capture_output=True, text=True, timeout=600)
    expect(again.returncode == 4, "run again, batch-hosts.sh exited %d" % again.returncode)


root = tempfile.mkdtemp(prefix="tallyscan-schedulers-")
try:
    if mode == "slurm":
        need("munged", "slurmctld", "slurmd", "sbatch")
    else:
        need("parallel")
    into, child = portfolio(root)
    local = os.path.join(root, "local")
    subprocess.run([cli, "batch", "--child", child, "--out", local, into], env=env,
                   capture_output=True, timeout=600)
    plan = os.path.join(root, "plan")
    run(cli, "batch", "plan", "--shards", "3", "--out", plan, into)
    results = os.path.join(root, "results")
    (slurm if mode == "slurm" else gnu_parallel)(root, plan, results, child)
    if os.path.exists(os.path.join(results, SUMMARY[0])):
        same_summary(local, results)
    else:
        expect(False, "no summary was merged")
finally:
    if not failures:
        shutil.rmtree(root, ignore_errors=True)
    else:
        print("kept: " + root)
sys.exit(1 if failures else 0)
